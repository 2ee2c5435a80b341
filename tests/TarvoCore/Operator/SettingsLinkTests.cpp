#include <gtest/gtest.h>

#include "TarvoCore/Operator/MacSettingPane.h"
#include "TarvoCore/Operator/OperateSwitchLink.h"

using namespace tarvo;
using namespace std::chrono_literals;

TEST(MacSettingPane, RawValuesAnchorsAndDeepLinks) {
    struct Case {
        MacSettingPane pane;
        std::string_view raw;
        std::string_view anchor;
    };
    const Case cases[] = {
        {MacSettingPane::fullDiskAccess, "fullDiskAccess", "Privacy_AllFiles"},
        {MacSettingPane::accessibility, "accessibility", "Privacy_Accessibility"},
        {MacSettingPane::filesAndFolders, "filesAndFolders", "Privacy_FilesAndFolders"},
        {MacSettingPane::screenRecording, "screenRecording", "Privacy_ScreenCapture"},
        {MacSettingPane::automation, "automation", "Privacy_Automation"},
    };
    ASSERT_EQ(std::size(cases), MacSettingPane::allCases.size());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(MacSettingPane::allCases[i], c.pane);
        EXPECT_EQ(c.pane.rawValue(), c.raw);
        EXPECT_EQ(c.pane.anchor(), c.anchor);
        EXPECT_EQ(c.pane.url(), "x-apple.systempreferences:com.apple.preference.security?" + std::string(c.anchor));
        EXPECT_EQ(MacSettingPane::fromRawValue(c.raw), c.pane);
    }
    EXPECT_EQ(MacSettingPane::fromRawValue("Accessibility"), std::nullopt);
    EXPECT_EQ(MacSettingPane::fromRawValue(""), std::nullopt);
}

TEST(MacSettingPane, FromLinkTakesExactlySettingsAndAPaneName) {
    struct Case {
        std::string_view link;
        std::optional<MacSettingPane> expected;
    };
    const Case cases[] = {
        {"tarvo://settings/screenRecording", MacSettingPane::screenRecording},
        {"tarvo:///settings/accessibility", MacSettingPane::accessibility},
        {"tarvo:settings/automation", MacSettingPane::automation},
        {"tarvo://settings//fullDiskAccess/", MacSettingPane::fullDiskAccess},
        {"tarvo://settings/filesAndFolders?from=web#top", MacSettingPane::filesAndFolders},
        {"tarvo://settings/%61ccessibility", MacSettingPane::accessibility},
        {"tarvo://settings/ScreenRecording", std::nullopt},
        {"tarvo://settings", std::nullopt},
        {"tarvo://settings/accessibility/extra", std::nullopt},
        {"tarvo://Settings/accessibility", std::nullopt},
        {"tarvo://preferences/accessibility", std::nullopt},
        {"tarvo://settings/%zzccessibility", std::nullopt},
        {"tarvo://settings/accessibility%", std::nullopt},
        {"https://settings/accessibility", std::nullopt},
        {"Tarvo://settings/accessibility", std::nullopt},
        {"tarvox://settings/accessibility", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(MacSettingPane::from(c.link), c.expected) << c.link;
}

TEST(OperateSwitchLink, MatchesOperateAloneOrFollowedByOn) {
    struct Case {
        std::string_view link;
        bool expected;
    };
    const Case cases[] = {
        {"tarvo://operate", true},
        {"tarvo://operate/on", true},
        {"tarvo:///operate/on/", true},
        {"tarvo:operate", true},
        {"tarvo://operate/on/now", false},
        {"tarvo://operate/off", false},
        {"tarvo://operate/On", false},
        {"tarvo://settings/operate", false},
        {"tarvo://", false},
        {"TARVO://operate", false},
        {"https://operate/on", false},
    };
    for (const auto& c : cases) EXPECT_EQ(OperateSwitchLink::matches(c.link), c.expected) << c.link;
}

TEST(MacSettingPane, ShouldReportAReturnWithinTenMinutesOfTheOpening) {
    const auto now = std::chrono::system_clock::time_point(1'700'000'000s);
    struct Case {
        std::optional<std::chrono::system_clock::duration> openedAgo;
        bool expected;
    };
    const Case cases[] = {
        {0s, true}, {599s, true}, {600s, true}, {601s, false}, {600s + 1ms, false}, {-1s, false}, {std::nullopt, false},
    };
    for (const auto& c : cases) {
        std::optional<std::chrono::system_clock::time_point> openedAt;
        if (c.openedAgo) openedAt = now - *c.openedAgo;
        EXPECT_EQ(MacSettingPane::shouldReport(openedAt, now), c.expected)
            << (c.openedAgo ? std::chrono::duration<double>(*c.openedAgo).count() : -9999);
    }
}
