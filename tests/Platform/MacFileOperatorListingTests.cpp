#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "Platform/MacFileOperator.h"
#include "Platform/MacFileOperatorTestSupport.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

using tarvo::FoundFiles;
using tarvo::MacFileOperator;
using tarvo::OperatorPortFailure;
using tarvo::testing::TemporaryFolder;
using tarvo::testing::touchAt;
using tarvo::testing::writeFile;
namespace fs = std::filesystem;

namespace {

std::string failureOf(const std::string& path, const std::string& home) {
    try {
        MacFileOperator::listedFolder(path, "*", 10, home);
    } catch (const OperatorPortFailure& failure) {
        return failure.sentence;
    }
    return "listed";
}

std::set<std::string> relativePaths(const FoundFiles& found, const fs::path& under) {
    std::set<std::string> paths;
    for (const auto& file : found.files) paths.insert(fs::path(file.path).lexically_relative(under).string());
    return paths;
}

void makeSocket(const fs::path& path) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socket, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.string().size(), sizeof(address.sun_path));
    std::copy_n(path.c_str(), path.string().size(), address.sun_path);
    EXPECT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(socket);
}

} // namespace

TEST(MacFileOperatorListing, NoFolderThereIsSaidSo) {
    TemporaryFolder home;
    writeFile(home / "file.txt", "x");
    EXPECT_EQ(failureOf((home / "missing").string(), home.path()), MacFileOperator::noFolderSentence);
    EXPECT_EQ(failureOf((home / "file.txt").string(), home.path()), MacFileOperator::noFolderSentence);
}

// File permissions do not bind the superuser; tools/test.sh runs this again as a user without
// any.
TEST(MacFileOperatorListing, AFolderTheSystemRefusesNamesWhatToAllow) {
    if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not bind root";
    TemporaryFolder home;
    fs::create_directories(home / "Desktop/Inner");
    fs::create_directories(home / "Projects");
    fs::permissions(home / "Desktop", fs::perms::none);
    fs::permissions(home / "Projects", fs::perms::none);
    EXPECT_EQ(failureOf((home / "Desktop").string(), home.path()),
              "macOS has not let Tarvo open your Desktop folder, so nothing was read. To allow it: System Settings "
              "\u2192 Privacy & Security \u2192 Files & Folders \u2192 Tarvo \u2192 Desktop.");
    EXPECT_EQ(failureOf((home / "Desktop/Inner").string(), home.path()),
              failureOf((home / "Desktop").string(), home.path()));
    EXPECT_EQ(failureOf((home / "Projects").string(), home.path()),
              "macOS did not let Tarvo open that folder, so nothing was read. To allow it: System Settings \u2192 "
              "Privacy & Security \u2192 Full Disk Access \u2192 Tarvo.");
    fs::permissions(home / "Desktop", fs::perms::owner_all);
}

TEST(MacFileOperatorListing, OnlyTheUsersOwnPlainFilesNearTheTopAreListed) {
    TemporaryFolder home;
    const fs::path folder = home / "Work";
    for (const char* name : {"top.txt", "a/one.txt", "a/b/three.txt", "a/b/c/four.txt", ".hidden.txt",
                             ".secret/inside.txt", "Tool.app/Contents/inside.txt", "Kit.framework/inside.txt"})
        writeFile(folder / name, "x");
    writeFile(home / "Elsewhere/away.txt", "x");
    fs::create_directory_symlink(home / "Elsewhere", folder / "linked-folder");
    fs::create_symlink(folder / "top.txt", folder / "linked.txt");
    ASSERT_EQ(::mkfifo((folder / "pipe.txt").c_str(), 0600), 0);
    makeSocket(folder / "socket.txt");

    const FoundFiles all = MacFileOperator::listedFolder(folder.string(), "*", 100, home.path());
    EXPECT_EQ(relativePaths(all, folder), (std::set<std::string>{"top.txt", "a/one.txt", "a/b/three.txt"}));
    EXPECT_FALSE(all.truncated);

    const FoundFiles named = MacFileOperator::listedFolder(folder.string(), "TOP", 100, home.path());
    EXPECT_EQ(relativePaths(named, folder), std::set<std::string>{"top.txt"});
    EXPECT_EQ(named.files.at(0).bytes, 1);

    const FoundFiles one = MacFileOperator::listedFolder(folder.string(), "*", 0, home.path());
    EXPECT_EQ(one.files.size(), 1u);
    EXPECT_TRUE(one.truncated);
}

TEST(MacFileOperatorListing, AFolderOfManyFilesGivesTheNewestOfTheFirstVisitedAndSaysThereWasMore) {
    TemporaryFolder home;
    const fs::path folder = home / "Many";
    fs::create_directories(folder);
    for (int i = 0; i < 6000; ++i) {
        const fs::path file = folder / ("f" + std::to_string(i) + ".txt");
        writeFile(file, "x");
        touchAt(file, 1'600'000'000 + i);
    }
    // The walk visits in the order the file system gives, as this does.
    std::vector<std::pair<fs::file_time_type, std::string>> visited;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (visited.size() == MacFileOperator::visitLimit) break;
        visited.emplace_back(fs::last_write_time(entry.path()), entry.path().string());
    }
    std::ranges::sort(visited, std::greater<>());

    tarvo::RunLoop loop;
    MacFileOperator files = tarvo::testing::signedOutOperator(home.path());
    const FoundFiles found = tarvo::runUntilDone(loop, files.listFolder(folder.string(), "*", 7));
    ASSERT_EQ(found.files.size(), 7u);
    EXPECT_TRUE(found.truncated);
    for (std::size_t i = 0; i < found.files.size(); ++i) EXPECT_EQ(found.files[i].path, visited[i].second);
    const int newest = std::stoi(fs::path(visited[0].second).stem().string().substr(1));
    EXPECT_EQ(found.files[0].modifiedAt, std::chrono::system_clock::time_point(std::chrono::seconds(1'600'000'000 + newest)));
}
