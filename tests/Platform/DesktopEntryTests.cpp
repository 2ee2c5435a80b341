#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "Platform/DesktopEntry.h"

using tarvo::DesktopEntry;

TEST(DesktopEntry, AQuotedPathComesBackWholeHoweverItIsWritten) {
    const std::string paths[] = {
        "/opt/tarvo/tarvo-companion",
        "/home/a b/\"quoted\"/$(touch x)/`touch y`/back\\slash/100%/tarvo",
        "/tmp/new\nline/tab\there/tarvo",
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const std::string entry = "[Desktop Entry]\nExec=" + DesktopEntry::quotedArgument(path) + " %u\n";
        const auto exec = DesktopEntry::value(entry, "Exec");
        ASSERT_TRUE(exec.has_value());
        EXPECT_EQ(DesktopEntry::arguments(*exec, "tarvo://settings"),
                  (std::vector<std::string>{path, "tarvo://settings"}));
    }
    EXPECT_EQ(DesktopEntry::quotedArgument("/a \"b\" $c `d` \\e 5%"), R"("/a \\"b\\" \\$c \\`d\\` \\\\e 5%%")");
    EXPECT_THROW(DesktopEntry::quotedArgument("/bad/\xff"), std::invalid_argument);
}

TEST(DesktopEntry, TheAddressTakesThePlaceOfTheUrlFieldCodeOrComesLast) {
    struct Case {
        std::string exec;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"/usr/bin/google-chrome-stable %U", {"/usr/bin/google-chrome-stable", "https://x.test/"}},
        {"microsoft-edge --new-window %u --flag", {"microsoft-edge", "--new-window", "https://x.test/", "--flag"}},
        {"browser %i %c --percent=50%%", {"browser", "--percent=50%", "https://x.test/"}},
        {"\"/opt/my browser/run\" --incognito", {"/opt/my browser/run", "--incognito", "https://x.test/"}},
        {"   ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exec);
        EXPECT_EQ(DesktopEntry::arguments(c.exec, "https://x.test/"), c.expected);
    }
}

TEST(DesktopEntry, StartedWithNothingToOpenEveryFieldCodeIsLeftOut) {
    EXPECT_EQ(DesktopEntry::arguments("\"/opt/it's \\\"here\\\"/run\" --new %U %f --percent=5%%"),
              (std::vector<std::string>{"/opt/it's \"here\"/run", "--new", "--percent=5%"}));
    EXPECT_TRUE(DesktopEntry::arguments(" %F ").empty());
}

TEST(DesktopEntry, ReadsAKeyOfTheDesktopEntryGroupOnly) {
    const std::string entry = "[Desktop Action new-window]\nExec=wrong\n\n[Desktop Entry]\nName=Chrome\n"
                              "Exec[de]=also wrong\nExec = /usr/bin/chrome\\s%U\n";
    EXPECT_EQ(DesktopEntry::value(entry, "Exec"), "/usr/bin/chrome %U");
    EXPECT_EQ(DesktopEntry::value(entry, "TryExec"), std::nullopt);
}
