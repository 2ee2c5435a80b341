#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "TarvoCore/Operator/FolderAccess.h"

using tarvo::FolderAccess;
using tarvo::FoundFile;
using namespace std::chrono_literals;

namespace {

const std::string home = "/Users/ann";
const std::string cloudDocs = "/Users/ann/Library/Mobile Documents/com~apple~CloudDocs";

FolderAccess::Found found(std::string path, std::chrono::system_clock::time_point modified,
                          std::optional<std::chrono::system_clock::time_point> added = std::nullopt) {
    return {FoundFile{std::move(path), 1, modified, false, std::nullopt}, added};
}

std::vector<std::string> paths(const std::vector<FoundFile>& files) {
    std::vector<std::string> out;
    for (const auto& file : files) out.push_back(file.path);
    return out;
}

std::system_error posix(int error) { return std::system_error(error, std::generic_category()); }

} // namespace

TEST(FolderAccess, ValidNamesLeadOnlyBelowTheFolder) {
    for (const std::string& name : {std::string("Projects"), std::string("A/B"), std::string(255, 'x')})
        EXPECT_TRUE(FolderAccess::isValid(name)) << name.substr(0, 20);
    for (const std::string& name : {std::string(""), std::string("/A"), std::string("A/"), std::string("~"),
                                    std::string("A//B"), std::string("A/./B"), std::string(".."), std::string("A\tB"),
                                    std::string("A\x7F"), std::string(256, 'x')})
        EXPECT_FALSE(FolderAccess::isValid(name)) << name.substr(0, 20);
}

TEST(FolderAccess, PathOfAFolderNameUnderHome) {
    struct Case {
        std::string name;
        std::optional<std::string> path;
    };
    for (const std::string& withSlash : {home, home + "/"}) {
        for (const auto& c : std::initializer_list<Case>{
                 {"Projects/2024", "/Users/ann/Projects/2024"},
                 {"iCloud Drive", cloudDocs},
                 {"iCloud Drive/Work", cloudDocs + "/Work"},
                 {"iCloud Drive/.hidden", cloudDocs + "/.hidden"},
                 {"icloud drive", "/Users/ann/icloud drive"},
                 {"Library", std::nullopt},
                 {"Library/Keychains", std::nullopt},
                 {".ssh", std::nullopt},
                 {"Documents/.git", std::nullopt},
                 {"~/Documents", std::nullopt},
                 {"Documents/../..", std::nullopt},
             }) {
            EXPECT_EQ(FolderAccess::path(c.name, withSlash), c.path) << c.name << " under " << withSlash;
        }
    }
}

TEST(FolderAccess, MatchesEveryTermIgnoringCaseAndDiacritics) {
    struct Case {
        std::string name;
        std::string query;
        bool matches;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"anything.txt", "", true},
             {"anything.txt", "  ", true},
             {"anything.txt", "*", true},
             {"2024 q3 Financial REPORT.pdf", "Q3 report", true},
             {"R\xC3\xA9sum\xC3\xA9.docx", "resume", true},
             {"Resume.docx", "r\xC3\xA9sum\xC3\xA9", true},
             {"budget.xlsx", "* budget", true},
             {"budget.xlsx", "budget plan", false},
             {"b*dget.xlsx", "b*dget", true},
         }) {
        EXPECT_EQ(FolderAccess::matches(c.name, c.query), c.matches) << c.name << " / " << c.query;
    }
}

TEST(FolderAccess, ProtectedFolderIsTheTopFolderUnderHome) {
    struct Case {
        std::string path;
        std::optional<std::string> folder;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"/Users/ann/Desktop", "Desktop"},
             {"/Users/ann/Desktop/", "Desktop"},
             {"/Users/ann/Documents/a/b.txt", "Documents"},
             {"/Users/ann//Downloads/x", "Downloads"},
             {"/Users/ann/desktop/a", std::nullopt},
             {"/Users/ann/Projects/Desktop", std::nullopt},
             {"/Users/annie/Desktop", std::nullopt},
             {"/Users/ann", std::nullopt},
         }) {
        EXPECT_EQ(FolderAccess::protectedFolder(c.path, home), c.folder) << c.path;
    }
}

TEST(FolderAccess, RefusedSentenceNamesTheSettingToOpen) {
    EXPECT_EQ(FolderAccess::refusedSentence(std::nullopt),
              "macOS did not let Tarvo open that folder, so nothing was read. To allow it: System Settings \u2192 "
              "Privacy & Security \u2192 Full Disk Access \u2192 Tarvo.");
    EXPECT_EQ(FolderAccess::refusedSentence("Desktop"),
              "macOS has not let Tarvo open your Desktop folder, so nothing was read. To allow it: System Settings "
              "\u2192 Privacy & Security \u2192 Files & Folders \u2192 Tarvo \u2192 Desktop.");
}

TEST(FolderAccess, RefusalIsPermissionOrAccessDeniedHoweverDeeplyNested) {
    EXPECT_TRUE(FolderAccess::isRefusal(posix(EACCES)));
    EXPECT_TRUE(FolderAccess::isRefusal(posix(EPERM)));
    EXPECT_TRUE(FolderAccess::isRefusal(std::filesystem::filesystem_error(
        "open", "/Users/ann/Desktop", std::error_code(EACCES, std::system_category()))));
    EXPECT_FALSE(FolderAccess::isRefusal(posix(ENOENT)));
    EXPECT_FALSE(FolderAccess::isRefusal(std::runtime_error("no")));

    const auto nestedIn = [](auto outer, auto inner) {
        try {
            try {
                throw inner;
            } catch (...) {
                std::throw_with_nested(outer);
            }
        } catch (const std::exception& error) {
            return FolderAccess::isRefusal(error);
        }
        return false;
    };
    EXPECT_TRUE(nestedIn(std::runtime_error("reading the folder failed"), posix(EPERM)));
    EXPECT_TRUE(nestedIn(posix(ENOENT), posix(EACCES)));
    EXPECT_FALSE(nestedIn(std::runtime_error("reading the folder failed"), posix(ENOENT)));
    EXPECT_FALSE(nestedIn(std::runtime_error("outer"), 42));

    // Two levels down.
    try {
        try {
            try {
                throw posix(EACCES);
            } catch (...) {
                std::throw_with_nested(std::runtime_error("middle"));
            }
        } catch (...) {
            std::throw_with_nested(std::logic_error("outer"));
        }
    } catch (const std::exception& error) {
        EXPECT_TRUE(FolderAccess::isRefusal(error));
    }
}

TEST(FolderAccess, NewestFirstByAddedDateElseModifiedDateStably) {
    const auto t = std::chrono::system_clock::time_point{} + 1000h;
    const std::vector<FolderAccess::Found> files{
        found("old", t),
        found("added late", t - 10h, t + 5h),
        found("tie 1", t + 1h),
        found("new", t + 2h),
        found("tie 2", t + 1h),
        found("tie 3", t - 20h, t + 1h),
    };
    const auto all = FolderAccess::newest(files, 10);
    EXPECT_EQ(paths(all.files), (std::vector<std::string>{"added late", "new", "tie 1", "tie 2", "tie 3", "old"}));
    EXPECT_FALSE(all.truncated);

    EXPECT_EQ(FolderAccess::newest(files, 6).truncated, false);
    const auto two = FolderAccess::newest(files, 2);
    EXPECT_EQ(paths(two.files), (std::vector<std::string>{"added late", "new"}));
    EXPECT_TRUE(two.truncated);
    for (int limit : {0, -3}) {
        const auto one = FolderAccess::newest(files, limit);
        EXPECT_EQ(paths(one.files), std::vector<std::string>{"added late"});
        EXPECT_TRUE(one.truncated);
    }
    EXPECT_EQ(FolderAccess::newest({}, 0), tarvo::FoundFiles{});
}
