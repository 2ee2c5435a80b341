#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "Platform/OutgoingFilesFolder.h"

using tarvo::OutgoingFilesFolder;

TEST(OutgoingFilesFolder, TheRuntimeFolderElseTheCacheFolderNeverASharedOne) {
    struct Case {
        const char* runtime;
        const char* cache;
        const char* home;
        std::optional<std::filesystem::path> folder;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"/run/user/1000", "/home/ada/.c", "/home/ada", "/run/user/1000"},
             {nullptr, "/home/ada/.c", "/home/ada", "/home/ada/.c"},
             {"", "", "/home/ada", "/home/ada/.cache"},
             {"run/user/1000", "cache", "/home/ada", "/home/ada/.cache"},
             {nullptr, nullptr, "home/ada", std::nullopt},
             {nullptr, nullptr, nullptr, std::nullopt},
         }) {
        EXPECT_EQ(OutgoingFilesFolder::from(c.runtime, c.cache, c.home), c.folder)
            << (c.runtime ? c.runtime : "-") << " " << (c.cache ? c.cache : "-") << " " << (c.home ? c.home : "-");
    }
}
