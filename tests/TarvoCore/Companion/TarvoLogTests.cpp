#include <gtest/gtest.h>

#include "Support/CapturedTarvoLog.h"
#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/StandardErrorLogSink.h"
#include "TarvoCore/Companion/TarvoLog.h"

using namespace tarvo;
using tarvo::testing::CapturedTarvoLog;

TEST(TarvoLog, LinesCarryCategoryLevelFormatAndPrivacyMarks) {
    CapturedTarvoLog log;
    TarvoLog::relayJobFailed("job-7", "the chat was not found");
    TarvoLog::updateAvailable("2.1", "210");
    TarvoLog::operatorPollFailed(503);
    TarvoLog::operatorDisplayWake(true, false);
    TarvoLog::operatorRunEnded(OperatorEndCode::hotkey);
    TarvoLog::nudgeNoticeFailed();
    TarvoLog::captureLine("3 chats, 1 new");

    const std::vector<LogEntry> entries = log.entries();
    ASSERT_EQ(entries.size(), 7u);
    for (const LogEntry& entry : entries) EXPECT_EQ(entry.subsystem, bundleIdentifier);

    EXPECT_EQ(entries[0].category, "relay");
    EXPECT_EQ(entries[0].level, LogLevel::error);
    EXPECT_EQ(entries[0].format, "relay job %{public}s failed — %{public}s");
    EXPECT_EQ(entries[0].arguments, (std::vector{LogArgument::publicText("job-7"),
                                                 LogArgument::publicText("the chat was not found")}));
    EXPECT_EQ(entries[0].text(), "relay job job-7 failed — the chat was not found");

    EXPECT_EQ(entries[1].category, "updates");
    EXPECT_EQ(entries[1].level, LogLevel::standard);
    EXPECT_EQ(entries[1].text(), "update available — <private> (build <private>)");
    EXPECT_EQ(entries[1].text(/*showPrivate=*/true), "update available — 2.1 (build 210)");

    EXPECT_EQ(entries[2].category, "operator");
    EXPECT_EQ(entries[2].text(), "operator poll failed, status 503");
    EXPECT_EQ(entries[3].text(), "operator display wake declared true, awake false");
    EXPECT_EQ(entries[4].text(), "operator run ended by hotkey");
    EXPECT_EQ(entries[5].category, "operator");
    EXPECT_EQ(entries[5].text(), "nudge notice refused by the notification centre");
    EXPECT_EQ(entries[6].category, "capture");
    EXPECT_EQ(entries[6].text(), "whatsapp read — 3 chats, 1 new");

    EXPECT_EQ(StandardErrorLogSink::line(entries[0]),
              "tarvo: relay: error: relay job job-7 failed — the chat was not found");
    EXPECT_EQ(StandardErrorLogSink::line(entries[1]), "tarvo: updates: update available — <private> (build <private>)");
}

TEST(TarvoLog, DisabledLevelBuildsNothing) {
    CapturedTarvoLog log({LogLevel::error});
    bool built = false;
    TarvoLog::operating().log(LogLevel::standard, "%{public}s", [&] {
        built = true;
        return std::vector{LogArgument::publicText("expensive")};
    });
    TarvoLog::operatorSwitch(true);
    TarvoLog::updateCheckFailed("offline");
    EXPECT_FALSE(built);
    ASSERT_EQ(log.entries().size(), 1u);
    EXPECT_EQ(log.entries()[0].format, "update check failed — %{private}s");
}

TEST(TarvoLog, TextIsNeverReadAsAFormat) {
    CapturedTarvoLog log;
    TarvoLog::relayJobFailed("%{public}s", "100% done %s %d");
    EXPECT_EQ(log.entries().at(0).text(), "relay job %{public}s failed — 100% done %s %d");
}

TEST(TarvoLog, SwitchLineAndEndCodes) {
    EXPECT_EQ(TarvoLog::operatorSwitchLine(true), "operator switch on");
    EXPECT_EQ(TarvoLog::operatorSwitchLine(false), "operator switch off");
    EXPECT_EQ(operatorEndCode("menu"), OperatorEndCode::menu);
    EXPECT_EQ(operatorEndCode("Menu"), std::nullopt);
    EXPECT_EQ(operatorEndCode(""), std::nullopt);
    for (auto code : {OperatorEndCode::bar, OperatorEndCode::menu, OperatorEndCode::hotkey,
                      OperatorEndCode::conditions, OperatorEndCode::quit, OperatorEndCode::brain}) {
        EXPECT_EQ(operatorEndCode(rawValue(code)), code);
    }
}
