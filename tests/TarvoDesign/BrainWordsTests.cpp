#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoCore/Operator/MacPermissionWords.h"
#include "TarvoDesign/Words/BrainWords.h"

using tarvo::BrainWords;

namespace {

const std::vector<std::string_view> tables{
    "viaNames",         "proactivityOrder",  "proactivityLines", "briefSections",   "briefSectionLines",
    "macStepWords",     "macStepAppDefault", "macLookMinBuild",  "macReportFreshMs", "macLiveRunStates",
    "macPermissionModes",
};

std::set<std::string> placeholdersIn(std::string_view sentence) {
    std::set<std::string> names;
    const std::string text(sentence);
    const std::regex placeholder(R"(\{([^{}]*)\})");
    for (auto match = std::sregex_iterator(text.begin(), text.end(), placeholder); match != std::sregex_iterator(); ++match) {
        names.insert((*match)[1]);
    }
    return names;
}

} // namespace

TEST(BrainWords, HoldsEveryKeyInDeclarationOrder) {
    const std::vector<std::string_view> expected{
        "goodMorning", "goodAfternoon", "goodEvening", "greetingNamed", "sheetSoul", "sheetVoice", "sheetWebsites",
        "sheetSearch", "sheetActivity", "sheetUpcoming", "dayToday", "dayYesterday", "dayDeleteAsk",
        "dayDeleteLabel", "dayOn", "chapterEarlier", "chapterBackTo", "readingEarlier", "earlier", "viaSurface",
        "composerPlaceholder", "composerMacPlaceholder", "copy", "copied", "star", "starred", "unstarHint",
        "delete", "keep", "deleteExchangeAsk", "sourcesFolded", "sourcesOpen", "sourceInMessage", "sourceInFile",
        "serverBrief", "serverReminder", "serverNudge", "serverMissionNote", "serverSystem", "proposalAsk",
        "proposalStarted", "proposalStartedAway", "proposalStartedHere", "proposalStart", "proposalNotNow",
        "proposalAway", "proposalStartFailed", "proposalNotNowFailed", "proposalAwayFailed", "today",
        "todayReading", "todayFailed", "todayCouldNotRead", "todayBadShape", "todayNothingDue", "todayRepliesOne",
        "todayRepliesMany", "todayLate", "todayDueToday", "todayEvent", "todayTasksOne", "todayTasksMany",
        "todayToPress", "todaySeparator", "todayEmptyWithTasks", "todayEmptyWithoutTasks", "todayRowRepliesOne",
        "todayRowRepliesMany", "todayRowInbox", "todayDueLate", "todayDueTodayWord", "todayNext", "todayMacReady",
        "todayPressesOne", "todayPressesMany", "todayAsOf", "todayAiUse", "todayAllDone", "todayTickLabel",
        "todayTickFailed", "macChip", "macReadyOne", "macReadyMany", "macArmed", "macArmHint", "macDisarmHint",
        "macWhich", "macLooking", "macFinished", "macStopped", "macStepQueued", "macStepClaimed", "macStepDone",
        "macStepRefusedWhy", "macStepRefused", "macStepFailedWhy", "macStepFailed", "macStepCancelled",
        "macStepPressed", "macStepExpired", "macThinking", "macLookedAtNothing", "macStop", "macStopping",
        "macStopFailed", "macCanOnlyLook", "macWhatItSaw", "macWaitingLocked", "macWaitingDisplay",
        "macWaitingAsleep", "macWaitingOffline", "macLastSeen", "macKeepAwakeHint", "macPressWaiting", "macPressDo",
        "macPressNot", "macPressing", "macPressFailed", "macPressElsewhere", "macShowScreen", "macHideScreen",
        "macFilesFound", "macFileOnlyInCloud", "macFileBringing", "macFileBringingShare", "macFileBrought",
        "macFileTextOnly", "macFolderDocuments", "macFolderDesktop", "macFolderDownloads", "macFolderIcloud",
        "macFolderOther", "macOpenSetting", "macAskAgain", "macSettingOnMac", "macTurnItOn", "macSwitchOnMac",
        "macCanAct", "macAllowOnce", "macAlwaysFolder", "macAlwaysApp", "macDontAllow", "macAskFolder",
        "macAskHome", "macAskElsewhere", "macAskOpenApp", "macAskPress", "macAskType", "macAskKey", "macAskScroll",
        "macAskMoveFile", "macAskRenameFile", "macSystemAsksToo", "macAsksEveryTime", "macModeAsk",
        "macModeAskLine", "macModeAutoRead", "macModeAutoReadLine", "macModeAuto", "macModeAutoLine", "macModeOn",
        "macModeHeading", "macModeSaving", "macModeFailed", "macModeConfirmHere", "macPressHereOrElsewhere",
        "macGrantFolder", "macGrantOpenApp", "macGrantPress", "macGrantType", "macGrantKey", "macGrantScroll",
        "macGrantMoveFile", "macGrantRenameFile", "macGrantMode", "activityPermissions", "activityPermissionsNone",
        "activityPermissionsNote", "conversationBrain", "conversationAsk", "conversationHelp",
        "conversationFilesAndLinks", "conversationNoFiles", "conversationMoreFiles", "conversationUndo",
        "conversationUndone", "conversationUndoGone", "conversationWhoTheyAre", "conversationLastFromThem",
        "conversationYourReply", "conversationFollowUps", "conversationTasks", "conversationKnown",
        "activityWaiting", "activityDone", "activityAllowed", "activityTakeBack", "activityNeverAlways",
        "activityReading", "activityAsOf", "activityNothingChanged", "upcomingReading", "upcomingNone",
        "upcomingDoneToday", "upcomingRepeats", "upcomingAsk", "upcomingCancel", "notifications",
        "notificationsReading", "howProactive", "proactiveDefault", "remindersAlwaysRing", "quietHours",
        "quietNone", "quietRange", "quietHold", "quietFrom", "quietUntil", "quietNote", "briefDaily", "briefNotify",
        "briefAt", "briefNote", "cardNothingUntilApply", "cardApply", "cardNotNow", "viaNames", "proactivityOrder",
        "proactivityLines", "briefSections", "briefSectionLines", "briefSuggestedAt", "pushOpenKey",
        "pushOpenBrain", "pushTurnKey", "replyPlacedLine", "replyPlacedHeldLine", "heldRemember", "heldMarkDone",
        "heldDropIt", "heldNotNow", "heldFailed", "heldNotDone", "heldDone", "macStepWords", "macStepAppDefault",
        "macStepNever", "macStepFileDefault", "macLookMinBuild", "macReportFreshMs", "macLiveRunStates",
        "macPermissionModes",
    };
    EXPECT_EQ(BrainWords::keys(), expected);

    std::vector<std::string_view> sentenceKeys;
    for (const auto& [key, text] : BrainWords::sentences()) sentenceKeys.push_back(key);
    std::vector<std::string_view> keysButTables;
    std::copy_if(expected.begin(), expected.end(), std::back_inserter(keysButTables),
                 [](std::string_view key) { return std::find(tables.begin(), tables.end(), key) == tables.end(); });
    EXPECT_EQ(sentenceKeys, keysButTables);
    EXPECT_EQ(BrainWords::sentences().size(), 241u);
    for (const auto& [key, text] : BrainWords::sentences()) EXPECT_FALSE(text.empty()) << key;
}

TEST(BrainWords, PluralPairsWordOneAndMany) {
    const std::map<std::string, std::string> one{{"n", "1"}, {"name", "Ada's Mac"}};
    const std::map<std::string, std::string> many{{"n", "3"}};
    EXPECT_EQ(BrainWords::fill(BrainWords::todayRepliesOne, one), "1 reply waiting");
    EXPECT_EQ(BrainWords::fill(BrainWords::todayRepliesMany, many), "3 replies waiting");
    EXPECT_EQ(BrainWords::fill(BrainWords::todayTasksOne, one), "1 task");
    EXPECT_EQ(BrainWords::fill(BrainWords::todayTasksMany, many), "3 tasks");
    EXPECT_EQ(BrainWords::fill(BrainWords::todayRowRepliesOne, one), "1 reply is waiting for your press");
    EXPECT_EQ(BrainWords::fill(BrainWords::todayRowRepliesMany, many), "3 replies are waiting for your press");
    EXPECT_EQ(BrainWords::fill(BrainWords::todayPressesOne, one), "1 thing waits for your press in this chat.");
    EXPECT_EQ(BrainWords::fill(BrainWords::todayPressesMany, many), "3 things wait for your press in this chat.");
    EXPECT_EQ(BrainWords::fill(BrainWords::macReadyOne, one), "Ada's Mac is ready.");
    EXPECT_EQ(BrainWords::fill(BrainWords::macReadyMany, many), "3 Macs are ready.");
}

TEST(BrainWords, StepWordsHaveFourPhasesForEachOfElevenKinds) {
    const std::set<std::string_view> kinds{"list_apps", "look",         "read_screen_text", "list_files",
                                           "read_file", "send_file",    "open_app",         "press_element",
                                           "type_text", "key",          "scroll"};
    const std::set<std::string_view> phases{"done", "going", "refused", "tried"};
    std::set<std::string_view> found;
    for (const auto& [kind, byPhase] : BrainWords::macStepWords()) {
        found.insert(kind);
        std::set<std::string_view> foundPhases;
        for (const auto& [phase, sentence] : byPhase) foundPhases.insert(phase);
        EXPECT_EQ(foundPhases, phases) << kind;
    }
    EXPECT_EQ(found, kinds);
    EXPECT_EQ(BrainWords::macStepWords().at("press_element").at("refused"), "Did not press the button in {app}.");
    EXPECT_EQ(BrainWords::macStepAppDefault().at("look"), "the screen");
}

TEST(BrainWords, EveryPlaceholderIsOneOfTheTwentyFiveNames) {
    const std::set<std::string> names{"app",   "day",     "file",   "folder",  "from",   "greeting", "hours",
                                      "label", "level",   "line",   "mode",    "n",      "name",     "pct",
                                      "percent", "reason", "repeat", "setting", "step",  "surface",  "time",
                                      "title", "until",   "why",    "zone"};
    std::set<std::string> found;
    auto collect = [&](std::string_view key, std::string_view sentence) {
        for (const std::string& name : placeholdersIn(sentence)) {
            EXPECT_TRUE(names.contains(name)) << key << " holds {" << name << "}";
            found.insert(name);
        }
    };
    for (const auto& [key, sentence] : BrainWords::sentences()) collect(key, sentence);
    for (const auto& [kind, byPhase] : BrainWords::macStepWords()) {
        for (const auto& [phase, sentence] : byPhase) collect(kind, sentence);
    }
    EXPECT_EQ(found, names);
}

TEST(BrainWords, KeysSharedWithThePermissionWordsHoldTheSameText) {
    using tarvo::MacPermissionWords;
    const std::vector<std::pair<std::string_view, std::string_view>> shared{
        {BrainWords::macAskFolder, MacPermissionWords::macAskFolder},
        {BrainWords::macAskHome, MacPermissionWords::macAskHome},
        {BrainWords::macAskOpenApp, MacPermissionWords::macAskOpenApp},
        {BrainWords::macAskPress, MacPermissionWords::macAskPress},
        {BrainWords::macAskType, MacPermissionWords::macAskType},
        {BrainWords::macAskKey, MacPermissionWords::macAskKey},
        {BrainWords::macAskScroll, MacPermissionWords::macAskScroll},
        {BrainWords::macAskMoveFile, MacPermissionWords::macAskMoveFile},
        {BrainWords::macAskRenameFile, MacPermissionWords::macAskRenameFile},
        {BrainWords::macModeAsk, MacPermissionWords::macModeAsk},
        {BrainWords::macModeAutoRead, MacPermissionWords::macModeAutoRead},
        {BrainWords::macModeAuto, MacPermissionWords::macModeAuto},
        {BrainWords::macModeAskLine, MacPermissionWords::macModeAskLine},
        {BrainWords::macModeAutoReadLine, MacPermissionWords::macModeAutoReadLine},
        {BrainWords::macModeAutoLine, MacPermissionWords::macModeAutoLine},
        {BrainWords::macModeHeading, MacPermissionWords::macModeHeading},
        {BrainWords::macModeFailed, MacPermissionWords::macModeFailed},
    };
    for (const auto& [brain, permission] : shared) EXPECT_EQ(brain, permission);
    EXPECT_TRUE(std::equal(BrainWords::macPermissionModes.begin(), BrainWords::macPermissionModes.end(),
                           MacPermissionWords::modes.begin(), MacPermissionWords::modes.end()));
}

TEST(BrainWords, FillPutsInOnlyValidNamesItHoldsAValueFor) {
    struct Case {
        std::string sentence;
        std::map<std::string, std::string> values;
        std::string filled;
    };
    for (const auto& c : std::initializer_list<Case>{
             {std::string(BrainWords::greetingNamed),
              {{"greeting", std::string(BrainWords::goodMorning)}, {"name", "Ada"}},
              "Good morning, Ada"},
             {std::string(BrainWords::todayRepliesMany), {}, "{n} replies waiting"},
             {std::string(BrainWords::macModeOn), {{"mode", "Auto"}}, "Auto on {name}"},
             {"{} {n}", {{"", "empty"}, {"n", "2"}}, "{} 2"},
             {"{a b} {a.b}", {{"a b", "x"}, {"a.b", "y"}}, "{a b} {a.b}"},
             {"{caf\xC3\xA9_1}", {{"caf\xC3\xA9_1", "kept"}}, "kept"},
             {"{n} and {n}", {{"n", "2"}}, "2 and 2"},
             {"{n} is {n", {{"n", "2"}}, "2 is {n"},
             {"open { brace", {{"n", "2"}}, "open { brace"},
             {"{{n}", {{"n", "2"}}, "{{n}"},
             {"{n}}", {{"n", "2"}}, "2}"},
             {"{a}{b}", {{"a", "{b}"}, {"b", "B"}}, "{b}B"},
         }) {
        EXPECT_EQ(BrainWords::fill(c.sentence, c.values), c.filled) << c.sentence;
    }
}

// The permission words' own rule fills whatever name it has a value for, even where this rule
// keeps the placeholder; both stay, each with the sentences it serves.
TEST(BrainWords, FillDiffersFromThePermissionWordsRuleOnNamesThatAreNotValid) {
    const std::map<std::string, std::string> values{{"n", "2"}, {"a b", "x"}};
    EXPECT_EQ(BrainWords::fill("{{n}", values), "{{n}");
    EXPECT_EQ(tarvo::MacPermissionWords::fill("{{n}", values), "{2");
    EXPECT_EQ(BrainWords::fill("{a b}", values), "{a b}");
    EXPECT_EQ(tarvo::MacPermissionWords::fill("{a b}", values), "x");
}
