#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/DesktopBrowserLocator.h"
#include "Platform/LinuxProcessRunner.h"
#include "Support/StandInProgram.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/FileDescriptor.h"

using tarvo::AtomicFile;
using tarvo::DesktopBrowserLocator;
using tarvo::FileDescriptor;
using tarvo::testing::TemporaryFolder;
using tarvo::testing::writeStandIn;

namespace fs = std::filesystem;

TEST(DesktopBrowserLocator, FindsBrowsersByTheirEntriesAsksXdgSettingsAndStartsTheEntrysProgram) {
    TemporaryFolder folder;
    fs::create_directories(folder / "bin");
    fs::create_directories(folder / "own" / "applications");
    fs::create_directories(folder / "system" / "applications");
    const std::string fifo = (folder / "report").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const FileDescriptor report(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    const std::string chrome = writeStandIn(folder / "bin" / "google chrome", "printf '%s|' \"$@\" > " + fifo);
    writeStandIn(folder / "bin" / "xdg-settings",
                 "[ \"$*\" = 'get default-web-browser' ] && echo microsoft-edge.desktop");
    AtomicFile::write(folder / "system" / "applications" / "google-chrome.desktop",
                      "[Desktop Entry]\nName=Google Chrome\nExec=\"" + chrome + "\" --new-window %U\n");
    DesktopBrowserLocator browsers({folder / "own", folder / "system"}, "relative:" + (folder / "bin").string(),
                                   std::make_shared<tarvo::LinuxProcessRunner>());

    const auto location = browsers.applicationLocation("com.google.Chrome");
    ASSERT_EQ(location, (folder / "system" / "applications" / "google-chrome.desktop").string());
    EXPECT_EQ(browsers.applicationLocation("com.microsoft.edgemac"), std::nullopt);
    EXPECT_EQ(browsers.applicationLocation("company.thebrowser.Browser"), std::nullopt);
    EXPECT_EQ(browsers.defaultBrowser(), "com.microsoft.edgemac");

    browsers.open("https://tarvo.app/app/settings/extension/connect?a=$(b)", *location);

    pollfd waiting{report.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&waiting, 1, 60000), 1);
    std::string line(512, '\0');
    line.resize(static_cast<std::size_t>(std::max<ssize_t>(::read(report.get(), line.data(), line.size()), 0)));
    EXPECT_EQ(line, "--new-window|https://tarvo.app/app/settings/extension/connect?a=$(b)|");
}

TEST(DesktopBrowserLocator, WithoutXdgSettingsTheDefaultIsUnknown) {
    TemporaryFolder folder;
    DesktopBrowserLocator browsers({folder.path()}, folder.path().string(),
                                   std::make_shared<tarvo::LinuxProcessRunner>());
    EXPECT_EQ(browsers.defaultBrowser(), std::nullopt);
}
