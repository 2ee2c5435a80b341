#include <gtest/gtest.h>

#include "Platform/LinuxHomeFolders.h"

TEST(LinuxHomeFolders, FromTheUserDatabase) {
    const tarvo::LinuxHomeFolders folders;
    EXPECT_EQ(folders.homeFolder("root"), "/root");
    EXPECT_EQ(folders.homeFolder("no-such-user-of-tarvo"), std::nullopt);
    EXPECT_EQ(folders.homeFolder(""), std::nullopt);
}
