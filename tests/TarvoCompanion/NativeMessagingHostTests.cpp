#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "Support/TemporaryFolder.h"
#include "TarvoCompanion/NativeMessagingHost.h"

using tarvo::NativeMessagingHost;
using Outcome = tarvo::NativeMessagingHost::Outcome;

namespace {

std::string contents(const std::filesystem::path& file) {
    std::ostringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
}

const std::string manifest = R"({"name": "com.tarvo.companion.safari", "type": "stdio"})";

} // namespace

TEST(NativeMessagingHost, PutsTheBuildsManifestWhereTheBrowserLooksWhenItIsMissingOrDifferent) {
    tarvo::testing::TemporaryFolder folder;
    const auto handler = folder / "build" / "tarvo-safari";
    const auto hosts = folder / "config" / "chromium" / "NativeMessagingHosts";
    const auto copy = hosts / "com.tarvo.companion.safari.json";

    EXPECT_EQ(NativeMessagingHost::install(handler, hosts), Outcome::noHandler);
    std::filesystem::create_directories(handler.parent_path());
    std::ofstream(handler) << "#!/bin/sh\n";
    EXPECT_EQ(NativeMessagingHost::install(handler, hosts), Outcome::noManifest);
    EXPECT_FALSE(std::filesystem::exists(hosts)) << "nothing is written for a build without an origin";

    std::ofstream(handler.parent_path() / "com.tarvo.companion.safari.json") << manifest;
    EXPECT_EQ(NativeMessagingHost::install(handler, hosts), Outcome::written);
    EXPECT_EQ(contents(copy), manifest);
    const auto written = std::filesystem::last_write_time(copy);
    EXPECT_EQ(NativeMessagingHost::install(handler, hosts), Outcome::current);
    EXPECT_EQ(std::filesystem::last_write_time(copy), written);

    std::ofstream(copy) << R"({"name": "com.tarvo.companion.safari", "path": "/old/place"})";
    EXPECT_EQ(NativeMessagingHost::install(handler, hosts), Outcome::written);
    EXPECT_EQ(contents(copy), manifest);
}

TEST(NativeMessagingHost, ChromiumsFolderIsUnderTheUsersConfiguration) {
    EXPECT_EQ(NativeMessagingHost::chromiumHostsFolder("/x/config", "/home/ada"),
              std::filesystem::path("/x/config/chromium/NativeMessagingHosts"));
    EXPECT_EQ(NativeMessagingHost::chromiumHostsFolder(nullptr, "/home/ada"),
              std::filesystem::path("/home/ada/.config/chromium/NativeMessagingHosts"));
    EXPECT_EQ(NativeMessagingHost::chromiumHostsFolder(nullptr, nullptr), std::nullopt);
}
