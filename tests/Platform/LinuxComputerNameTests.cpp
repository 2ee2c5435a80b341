#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "Platform/LinuxComputerName.h"
#include "Support/TemporaryFolder.h"

namespace fs = std::filesystem;

TEST(LinuxComputerName, PrettyNameFromMachineInfoElseTheHostName) {
    const tarvo::testing::TemporaryFolder folder;
    const fs::path info = folder / "machine-info";
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);

    struct Case {
        const char* contents;
        std::string expected;
    };
    const Case cases[] = {
        {"PRETTY_HOSTNAME=Workbench\n", "Workbench"},
        {"CHASSIS=laptop\nPRETTY_HOSTNAME=\"Ada's \\\"big\\\" laptop\"\n", "Ada's \"big\" laptop"},
        {"PRETTY_HOSTNAME='Single quoted'\n", "Single quoted"},
        {"PRETTY_HOSTNAME=\n", host},
        {"CHASSIS=desktop\n", host},
    };
    for (const auto& c : cases) {
        std::ofstream(info) << c.contents;
        EXPECT_EQ(tarvo::LinuxComputerName(info).current(), c.expected) << c.contents;
    }
    EXPECT_EQ(tarvo::LinuxComputerName(folder / "missing").current(), std::string(host));
}
