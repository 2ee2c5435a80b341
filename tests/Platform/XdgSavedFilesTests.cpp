#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Platform/XdgSavedFiles.h"
#include "Support/CapturedPlainLog.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"

namespace fs = std::filesystem;
using tarvo::Opener;
using tarvo::ProcessRunner;
using tarvo::Task;
using tarvo::XdgSavedFiles;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::TemporaryFolder;

namespace {

struct RecordingOpener final : Opener {
    void open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

// Answers every run with the exit code given, keeping the command lines.
struct AnsweringRunner final : ProcessRunner {
    int exitCode = 0;
    std::vector<std::vector<std::string>> runs;

    Task<Result> run(std::string executable, std::vector<std::string> arguments, std::chrono::nanoseconds) override {
        arguments.insert(arguments.begin(), executable);
        runs.push_back(std::move(arguments));
        Result result;
        result.exitCode = exitCode;
        co_return result;
    }
    void launchDetached(std::string, std::vector<std::string>) override {}
    void launchQuietly(std::string, std::vector<std::string>, Ended) override {}
};

void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

struct SavedFilesTest : ::testing::Test {
    TemporaryFolder home;
    std::shared_ptr<AnsweringRunner> runner = std::make_shared<AnsweringRunner>();
    std::shared_ptr<RecordingOpener> opener = std::make_shared<RecordingOpener>();

    XdgSavedFiles::Places places() const {
        XdgSavedFiles::Places places;
        places.home = home.path();
        places.configHome = home / ".config";
        places.mimeFolders = {home / ".local/share/mime", "/usr/share/mime"};
        places.searchPath = "/usr/bin:/bin";
        return places;
    }
};

} // namespace

TEST_F(SavedFilesTest, TakesTheDownloadsFolderFromTheUserDirsFileElseTheHomeFolders) {
    struct Case {
        std::string file;
        fs::path folder;
    };
    const Case cases[] = {
        {"", home / "Downloads"},
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOWNLOAD_DIR=\"$HOME/Hämtningar\"\n", home / "Hämtningar"},
        {"# written by xdg-user-dirs-update\nXDG_DOWNLOAD_DIR=\"/srv/incoming/\"\n", "/srv/incoming/"},
        {"XDG_DOWNLOAD_DIR=\"$HOME/\"\n", home / "Downloads"},
        {"XDG_DOWNLOAD_DIR=\"relative\"\n", home / "Downloads"},
        {"XDG_DOWNLOAD_DIR=$HOME/unquoted\n", home / "Downloads"},
    };
    for (const Case& c : cases) {
        fs::remove(home / ".config/user-dirs.dirs");
        if (!c.file.empty()) write(home / ".config/user-dirs.dirs", c.file);
        XdgSavedFiles files(places(), runner, opener);
        EXPECT_EQ(files.downloadsFolder(), c.folder) << c.file;
    }
}

TEST_F(SavedFilesTest, MarksTheFileWithWhereItCameFrom) {
    const fs::path file = home / "report.pdf";
    write(file, "pdf");
    XdgSavedFiles files(places(), runner, opener);
    const auto failure = files.markDownloaded(file, "https://tarvo.example/api/attachments/42", "https://tarvo.example/app");
    char value[256] = {};
    const ssize_t size = ::getxattr(file.c_str(), "user.xdg.origin.url", value, sizeof value - 1);
    if (failure && size < 0 && errno == ENOTSUP) GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
    ASSERT_EQ(failure, std::nullopt);
    EXPECT_EQ(std::string(value, static_cast<std::size_t>(size)), "https://tarvo.example/api/attachments/42");
    char referrer[256] = {};
    const ssize_t referrerSize = ::getxattr(file.c_str(), "user.xdg.referrer.url", referrer, sizeof referrer - 1);
    EXPECT_EQ(std::string(referrer, static_cast<std::size_t>(std::max<ssize_t>(referrerSize, 0))),
              "https://tarvo.example/app");
}

TEST_F(SavedFilesTest, SaysWhyAFileSystemWithoutAttributesRefusedTheMark) {
    std::vector<std::string> tried;
    XdgSavedFiles files(places(), runner, opener, [&](const fs::path&, const std::string& name, const std::string&) {
        tried.push_back(name);
        return ENOTSUP;
    });
    EXPECT_EQ(files.markDownloaded(home / "x.zip", "https://tarvo.example/x.zip", std::nullopt),
              std::string(std::strerror(ENOTSUP)));
    EXPECT_EQ(tried, std::vector<std::string>{"user.xdg.origin.url"});
}

TEST_F(SavedFilesTest, TypesAnExtensionAsSharedMimeInfoDoes) {
    XdgSavedFiles files(places(), runner, opener);
    if (!files.typeOfExtension("pdf")) GTEST_SKIP() << "shared-mime-info is not installed";
    EXPECT_EQ(files.typeOfExtension("md"), "text/markdown");
    EXPECT_EQ(files.typeOfExtension("docx"), "application/vnd.openxmlformats-officedocument.wordprocessingml.document");
    EXPECT_EQ(files.typeOfExtension("zip"), "application/zip");
    EXPECT_EQ(files.typeOfExtension("no-such-extension"), std::nullopt);

    // The user's own database outweighs the system's, and a case-sensitive glob matches only as written.
    write(home / ".local/share/mime/globs2", "90:text/x-tarvo-notes:*.md\n50:text/x-upper:*.MD:cs\n");
    EXPECT_EQ(files.typeOfExtension("md"), "text/x-tarvo-notes");
}

TEST_F(SavedFilesTest, OpensTheFileAndShowsItInTheFileManagerElseOpensItsFolder) {
    tarvo::RunLoop loop;
    auto withDisplay = places();
    withDisplay.hasDisplay = true;
    XdgSavedFiles files(withDisplay, runner, opener);
    const fs::path file = home / "Downloads/a b#?.pdf";

    files.open(file);
    EXPECT_EQ(opener->opened, std::vector<std::string>{"file://" + home.path().string() + "/Downloads/a%20b%23%3F.pdf"});
    opener->opened.clear();

    files.reveal(file);
    loop.runReady();
    ASSERT_EQ(runner->runs.size(), 1u);
    EXPECT_EQ(runner->runs[0].back(), "string:");
    EXPECT_EQ(runner->runs[0][runner->runs[0].size() - 2], "array:string:" + XdgSavedFiles::fileAddress(file));
    EXPECT_TRUE(opener->opened.empty());

    runner->exitCode = 1;
    files.reveal(file);
    loop.runReady();
    EXPECT_EQ(opener->opened, std::vector<std::string>{XdgSavedFiles::fileAddress(home / "Downloads")});
}

TEST_F(SavedFilesTest, OnlyLogsWhereASavedFileIsWithoutADisplay) {
    CapturedPlainLog log;
    XdgSavedFiles files(places(), runner, opener);
    files.reveal(home / "Downloads/report.pdf");
    EXPECT_TRUE(runner->runs.empty() && opener->opened.empty());
    EXPECT_EQ(log.lines().back(),
              "tarvo: saved report.pdf in " + (home / "Downloads").string() + " (no display to show it on)");
}
