#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <chrono>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/LinuxProcessRunner.h"
#include "Platform/XdgOpener.h"
#include "Support/CapturedPlainLog.h"
#include "Support/StandInProgram.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileDescriptor.h"

using tarvo::LinuxProcessRunner;
using tarvo::XdgOpener;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::TemporaryFolder;
using tarvo::FileDescriptor;
using tarvo::testing::writeStandIn;

namespace {

// Everything written into the pipe at `fifo` until its writer closes it.
std::string readAll(const FileDescriptor& fifo) {
    std::string text;
    for (;;) {
        pollfd readable{fifo.get(), POLLIN, 0};
        if (::poll(&readable, 1, 20000) != 1) return text + "(no answer)";
        char chunk[4096];
        const ssize_t got = ::read(fifo.get(), chunk, sizeof chunk);
        if (got <= 0) return text;
        text.append(chunk, static_cast<std::size_t>(got));
    }
}

} // namespace

TEST(XdgOpener, StartsXdgOpenFromTheSearchPathWithTheAddressAsItsOneArgument) {
    TemporaryFolder folder;
    const std::string fifo = (folder / "report").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directories(folder / "bin");
    std::filesystem::create_directories(folder / "empty");
    writeStandIn(folder / "bin" / "xdg-open", "printf '%s|%s' \"$#\" \"$1\" > '" + fifo + "'");
    XdgOpener opener(std::make_shared<LinuxProcessRunner>(),
                     "relative/bin:" + (folder / "empty").string() + "::" + (folder / "bin").string());

    for (const std::string address : {"https://tarvo.example/pair?code=WXYZ-1234",
                                      "https://tarvo.example/pair?a=1&b=$(touch pwned);echo x|y `id`",
                                      "https://tarvo.example/ two  words\n'\"*"}) {
        SCOPED_TRACE(address);
        const FileDescriptor report(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        ASSERT_GE(report.get(), 0);

        opener.open(address);

        EXPECT_EQ(readAll(report), "1|" + address);
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "pwned"));
}

TEST(XdgOpener, WithoutXdgOpenTheAddressIsLoggedForAPersonToOpen) {
    TemporaryFolder folder;
    writeStandIn(folder / "xdg-open", "exit 0");
    ::chmod((folder / "xdg-open").c_str(), 0600);
    XdgOpener opener(std::make_shared<LinuxProcessRunner>(), folder.path().string());
    CapturedPlainLog log;

    opener.open("https://tarvo.example/pair?code=WXYZ-1234");

    EXPECT_EQ(log.lines(), std::vector<std::string>{"tarvo: found no xdg-open to show a web page with — open "
                                                    "https://tarvo.example/pair?code=WXYZ-1234 by hand"});
}

TEST(XdgOpener, WhatXdgOpenSaysStaysOutOfTheLogAndAFailureIsOneLine) {
    TemporaryFolder folder;
    writeStandIn(folder / "xdg-open", "echo 'xdg-open: no method available for opening' >&2; echo noise; exit 3");
    XdgOpener opener(std::make_shared<LinuxProcessRunner>(), folder.path().string());
    CapturedPlainLog log;

    opener.open("https://tarvo.example/pair?code=WXYZ-1234");

    const std::vector<std::string> failed{"tarvo: xdg-open could not show the page (exit status 3) — open "
                                          "https://tarvo.example/pair?code=WXYZ-1234 by hand"};
    for (int waited = 0; waited < 400 && log.lines().empty(); ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    EXPECT_EQ(log.lines(), failed);
}
