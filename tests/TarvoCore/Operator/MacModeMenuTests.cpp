#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/Operator/MacModeMenu.h"
#include "TarvoCore/Operator/MacPermissionWords.h"

using tarvo::MacModeMenu;
using tarvo::MacPermissionMode;
using tarvo::MacPermissionWords;

namespace {

constexpr MacPermissionMode ask = MacPermissionMode::ask;
constexpr MacPermissionMode autoRead = MacPermissionMode::autoRead;
constexpr MacPermissionMode automatic = MacPermissionMode::auto_;

} // namespace

TEST(MacModeMenu, NarrowsAtOnceAndWidensOnlyThroughTheService) {
    struct Case {
        MacPermissionMode picked;
        std::optional<MacPermissionMode> current;
        MacModeMenu::Choice choice;
    };
    for (const Case& c : std::vector<Case>{
             {ask, std::nullopt, MacModeMenu::Unchanged{}},
             {ask, ask, MacModeMenu::Unchanged{}},
             {automatic, automatic, MacModeMenu::Unchanged{}},
             {automatic, std::nullopt, MacModeMenu::OpenWindow{"/app/settings?mac=dev-1&mode=auto"}},
             {autoRead, ask, MacModeMenu::OpenWindow{"/app/settings?mac=dev-1&mode=auto_read"}},
             {automatic, autoRead, MacModeMenu::OpenWindow{"/app/settings?mac=dev-1&mode=auto"}},
             {ask, automatic, MacModeMenu::Narrow{ask}},
             {autoRead, automatic, MacModeMenu::Narrow{autoRead}},
             {ask, autoRead, MacModeMenu::Narrow{ask}},
         }) {
        EXPECT_EQ(MacModeMenu::choose(c.picked, c.current, "dev-1"), c.choice)
            << tarvo::rawValue(c.picked) << " from " << (c.current ? tarvo::rawValue(*c.current) : "none");
    }
}

TEST(MacModeMenu, SettingsPathEncodesTheDeviceIdAsOneQueryValue) {
    EXPECT_EQ(MacModeMenu::settingsPath("3F2A-9c_d.e~f", autoRead), "/app/settings?mac=3F2A-9c_d.e~f&mode=auto_read");
    EXPECT_EQ(MacModeMenu::settingsPath("a b&mode=auto#x+/\xC3\xA9", ask),
              "/app/settings?mac=a%20b%26mode%3Dauto%23x%2B%2F%C3%A9&mode=ask");
    EXPECT_EQ(MacModeMenu::settingsPath("", ask), "/app/settings?mac=&mode=ask");
}

TEST(MacModeMenu, ReadsTheModeOfAHeartbeatAnswer) {
    struct Case {
        std::string body;
        std::optional<MacPermissionMode> mode;
    };
    for (const Case& c : std::vector<Case>{
             {R"({"ok":true,"macPermissionMode":"auto_read"})", autoRead},
             {R"({"macPermissionMode":"auto"})", automatic},
             {R"({"macPermissionMode":"ask"})", ask},
             {R"({"macPermissionMode":"Auto"})", std::nullopt},
             {R"({"macPermissionMode":2})", std::nullopt},
             {R"({"macPermissionMode":null})", std::nullopt},
             {R"({"ok":true})", std::nullopt},
             {R"(["auto"])", std::nullopt},
             {R"("auto")", std::nullopt},
             {"", std::nullopt},
             {"{\"macPermissionMode\":\"auto\"", std::nullopt},
         }) {
        EXPECT_EQ(MacModeMenu::mode(c.body), c.mode) << c.body;
    }
}

TEST(MacModeMenu, ModesRankFromAskToAutoWithTheirWords) {
    struct Case {
        MacPermissionMode mode;
        std::string_view raw;
        int rank;
        std::string_view label;
        std::string_view line;
    };
    const std::vector<Case> modes{
        {ask, "ask", 0, "Ask me", MacPermissionWords::macModeAskLine},
        {autoRead, "auto_read", 1, "Auto for reading", MacPermissionWords::macModeAutoReadLine},
        {automatic, "auto", 2, "Auto", MacPermissionWords::macModeAutoLine},
    };
    for (const Case& c : modes) {
        EXPECT_EQ(tarvo::rawValue(c.mode), c.raw);
        EXPECT_EQ(tarvo::macPermissionMode(c.raw), c.mode);
        EXPECT_EQ(tarvo::rank(c.mode), c.rank);
        EXPECT_EQ(tarvo::label(c.mode), c.label);
        EXPECT_EQ(tarvo::line(c.mode), c.line);
        EXPECT_EQ(MacPermissionWords::modes[c.rank], c.raw);
        for (const Case& other : modes) EXPECT_EQ(tarvo::widens(c.mode, other.mode), other.rank > c.rank);
    }
    EXPECT_EQ(tarvo::macPermissionMode("autoRead"), std::nullopt);
    EXPECT_EQ(MacPermissionWords::macModeAutoLine,
              "Tarvo does everything without asking, except send, submit, buy and delete, which always wait for your "
              "press.");
}
