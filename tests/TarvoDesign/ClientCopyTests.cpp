#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoDesign/Copy/MissionLine.h"
#include "TarvoDesign/Copy/TarvoCardActions.h"
#include "TarvoDesign/Copy/TarvoClientCopy.h"
#include "TarvoDesign/Copy/TarvoLegal.h"
#include "TarvoDesign/Copy/TarvoSnoozePreset.h"

using namespace tarvo;

namespace {

// U+1F1EB U+1F1F7: one flag. Man, ZWJ, woman, ZWJ, girl: one family.
const std::string flag = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";
const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";

std::string repeated(std::string_view piece, int times) {
    std::string text;
    for (int index = 0; index < times; ++index) text += piece;
    return text;
}

} // namespace

TEST(ClientCopy, BrainAliasesAreTheProductWordsThemselves) {
    using Brain = TarvoClientCopy::Brain;
    const std::vector<std::pair<std::string_view, std::string_view>> aliases{
        {Brain::sheetSoul, BrainWords::sheetSoul},
        {Brain::sheetVoice, BrainWords::sheetVoice},
        {Brain::sheetWebsites, BrainWords::sheetWebsites},
        {Brain::sheetSearch, BrainWords::sheetSearch},
        {Brain::sheetActivity, BrainWords::sheetActivity},
        {Brain::today, BrainWords::dayToday},
        {Brain::yesterday, BrainWords::dayYesterday},
        {Brain::earlier, BrainWords::earlier},
        {Brain::readingEarlier, BrainWords::readingEarlier},
        {Brain::earlierConversation, BrainWords::chapterEarlier},
        {Brain::backTo, BrainWords::chapterBackTo},
        {Brain::deleteExchange, BrainWords::deleteExchangeAsk},
        {Brain::delete_, BrainWords::delete_},
        {Brain::keep, BrainWords::keep},
        {Brain::star, BrainWords::star},
        {Brain::labelBrief, BrainWords::serverBrief},
        {Brain::labelReminder, BrainWords::serverReminder},
        {Brain::labelNudge, BrainWords::serverNudge},
        {Brain::labelMissionNote, BrainWords::serverMissionNote},
        {Brain::labelSystem, BrainWords::serverSystem},
        {Brain::proposalAsk, BrainWords::proposalAsk},
        {Brain::proposalStarted, BrainWords::proposalStarted},
        {Brain::proposalAwayOn, BrainWords::proposalStartedAway},
        {Brain::proposalAwayOff, BrainWords::proposalStartedHere},
        {Brain::proposalStart, BrainWords::proposalStart},
        {Brain::proposalNotNow, BrainWords::proposalNotNow},
        {Brain::proposalAway, BrainWords::proposalAway},
        {Brain::todayEmptyWithTasks, BrainWords::todayEmptyWithTasks},
        {Brain::todayEmptyNoTasks, BrainWords::todayEmptyWithoutTasks},
        {Brain::macChip, BrainWords::macChip},
        {Brain::macReady, BrainWords::macReadyOne},
        {Brain::macArmed, BrainWords::macArmed},
        {Brain::macsReady, BrainWords::macReadyMany},
        {Brain::macLooking, BrainWords::macLooking},
        {Brain::macFinished, BrainWords::macFinished},
        {Brain::macStopped, BrainWords::macStopped},
        {Brain::macThinking, BrainWords::macThinking},
        {Brain::macNothing, BrainWords::macLookedAtNothing},
        {Brain::macOnlyLooks, BrainWords::macCanOnlyLook},
        {Brain::macStop, BrainWords::macStop},
        {Brain::macStopping, BrainWords::macStopping},
        {Brain::macPlaceholder, BrainWords::composerMacPlaceholder},
        {Brain::macStepQueued, BrainWords::macStepQueued},
        {Brain::macStepClaimed, BrainWords::macStepClaimed},
        {Brain::macStepDone, BrainWords::macStepDone},
        {Brain::macStepRefused, BrainWords::macStepRefused},
        {Brain::macStepFailed, BrainWords::macStepFailed},
        {Brain::macStepCancelled, BrainWords::macStepCancelled},
        {Brain::macShowScreen, BrainWords::macShowScreen},
        {Brain::notificationsTitle, BrainWords::notifications},
        {Brain::howProactive, BrainWords::howProactive},
        {Brain::proactiveCaption, BrainWords::remindersAlwaysRing},
        {Brain::quietNone, BrainWords::quietNone},
        {Brain::quietSwitch, BrainWords::quietHold},
        {Brain::quietCaption, BrainWords::quietNote},
        {Brain::briefTitle, BrainWords::briefDaily},
        {Brain::briefNotify, BrainWords::briefNotify},
        {Brain::briefCaption, BrainWords::briefNote},
        {Brain::notificationsReading, BrainWords::notificationsReading},
        {Brain::cardWaits, BrainWords::cardNothingUntilApply},
        {Brain::apply, BrainWords::cardApply},
        {Brain::notNow, BrainWords::proposalNotNow},
        {Brain::asOf, BrainWords::todayAsOf},
        {Brain::activityWaiting, BrainWords::activityWaiting},
        {Brain::activityDone, BrainWords::activityDone},
        {Brain::activityAllowed, BrainWords::activityAllowed},
        {Brain::activityTakeBack, BrainWords::activityTakeBack},
        {Brain::activityNeverAlways, BrainWords::activityNeverAlways},
        {Brain::activityReading, BrainWords::activityReading},
        {Brain::activityRevokeFailed, BrainWords::activityNothingChanged},
        {Brain::conversationTitle, BrainWords::conversationBrain},
        {Brain::conversationHow, BrainWords::conversationHelp},
        {Brain::conversationAsk, BrainWords::conversationAsk},
        {Brain::conversationFiles, BrainWords::conversationFilesAndLinks},
    };
    ASSERT_EQ(aliases.size(), 74u);
    for (const auto& [brain, words] : aliases) {
        EXPECT_EQ(brain.data(), words.data()) << brain << " is a copy, not the constant itself";
        EXPECT_EQ(brain.size(), words.size());
    }
    EXPECT_EQ(Brain::working, "Working\u2026");
    EXPECT_EQ(Brain::macStepRefusedWhy, "The Mac said no: {line}");
    EXPECT_EQ(Brain::proactiveDefault, " (default)");
    EXPECT_EQ(BrainWords::fill(Brain::quietHours, {{"line", "22:00\u201307:00"}, {"zone", "Europe/Paris"}}),
              "Quiet hours: 22:00\u201307:00 (Europe/Paris)");
}

TEST(ClientCopy, ScreensSocialRowsAndLinks) {
    const auto& rows = TarvoClientCopy::socialRows();
    EXPECT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows.at("messenger"), (SocialRowCopy{"Your personal Messenger.", std::nullopt}));
    EXPECT_EQ(rows.at("instagram").about, "A personal Instagram account.");
    EXPECT_FALSE(rows.contains("whatsapp"));
    EXPECT_EQ(BrainWords::fill(TarvoClientCopy::SamePerson::linked, {{"social", "@ada"}, {"name", "Ada"}}),
              "Linked. @ada is your Ada now \u2014 the conversation, its history and what Tarvo knows carry over.");
    EXPECT_EQ(BrainWords::fill(TarvoClientCopy::Computer::line, {{"name", "Safari"}, {"state", "Connected"}}),
              "Safari \u2014 Connected");
    EXPECT_EQ(TarvoClientCopy::AboutYou::libraryTitle, "Links & documents");
    // No address is made up: a build not given them has none.
    EXPECT_EQ(TarvoClientCopy::Computer::chromeLink, "");
    EXPECT_EQ(TarvoClientCopy::Computer::safariLink, "");
}

TEST(ClientCopy, LegalDocumentsInOrderAllRequired) {
    const auto& documents = TarvoLegal::documents();
    ASSERT_EQ(documents.size(), TarvoLegal::documentIds.size());
    for (std::size_t index = 0; index < documents.size(); ++index) {
        EXPECT_EQ(documents[index].id, TarvoLegal::documentIds[index]);
        EXPECT_TRUE(documents[index].isRequired);
    }
    EXPECT_EQ(documents[2].href, "/terms#risk");
    EXPECT_EQ(documents[3].title, "Sending your messages to an AI provider");
    EXPECT_EQ(documents[0].consent, "I have read and agree to the Terms of Service.");
}

TEST(MissionLine, ChoosesTitleThenBodyAndShowsNinetyCharacters) {
    const std::string unknown =
        "Couldn't check what Tarvo is working to. It asks you before anything becomes its standing instruction.";
    const std::string unset = "Tell Tarvo in a sentence what to work on. It checks with you once, then works on it.";
    const std::string hundred = repeated("abcdefghij", 10);
    struct Case {
        bool known;
        std::optional<std::string> title;
        std::optional<std::string> body;
        std::string line;
    };
    for (const auto& c : std::initializer_list<Case>{
             {false, "Grow the shop", "body", unknown},
             {true, std::nullopt, std::nullopt, unset},
             {true, "", " \t ", unset},
             {true, " \t", "Answer every enquiry", "Working to: Answer every enquiry"},
             {true, "Title", "Body", "Working to: Title"},
             {true, "  Grow the shop", std::nullopt, "Working to:   Grow the shop"},
             {true, "\n", "Body", "Working to: \n"},
             {true, hundred, std::nullopt, "Working to: " + hundred.substr(0, 90)},
             {true, repeated(flag, 95), std::nullopt, "Working to: " + repeated(flag, 90)},
             {true, repeated(family, 91) + "x", std::nullopt, "Working to: " + repeated(family, 90)},
         }) {
        EXPECT_EQ(MissionLine::text(c.known, c.title, c.body), c.line) << c.title.value_or("(none)");
    }
}

TEST(CardActions, OfferedByStateWithTheirMovedLines) {
    using enum TarvoCardAction;
    EXPECT_EQ(TarvoCardActions::actions("ready"),
              (std::vector<TarvoCardAction>{send, edit, steer, attach, snooze, dismiss, openInApp, muteThread}));
    EXPECT_EQ(TarvoCardActions::actions("Ready"), std::vector<TarvoCardAction>{});
    EXPECT_EQ(TarvoCardActions::actions("sent"), std::vector<TarvoCardAction>{recall});
    EXPECT_EQ(TarvoCardActions::actions("expired"), std::vector<TarvoCardAction>{});
    EXPECT_EQ(TarvoCardActions::byState().size(), 9u);
    for (const auto& [state, actions] : TarvoCardActions::byState()) {
        EXPECT_EQ(std::count(actions.begin(), actions.end(), resumeDrafting), 0) << state;
    }

    EXPECT_EQ(TarvoCardActions::movedLines().size(), 9u);
    EXPECT_EQ(TarvoCardActions::movedLine("unknown"), TarvoCardActions::generalMovedLine);
    EXPECT_EQ(TarvoCardActions::movedLine("held"), TarvoCardActions::generalMovedLine);
    EXPECT_EQ(TarvoCardActions::movedLine("sent"), "This reply has already gone.");

    EXPECT_EQ(rawValue(openInApp), "open_in_app");
    EXPECT_EQ(tarvoCardAction("resume_drafting"), resumeDrafting);
    EXPECT_EQ(tarvoCardAction("resumeDrafting"), std::nullopt);
    EXPECT_EQ(tarvoCardActionCases.front(), send);
    EXPECT_EQ(tarvoCardActionCases.back(), resumeDrafting);
}

TEST(CardActions, SnoozePresetsByWireValue) {
    EXPECT_EQ(tarvoSnoozePreset("inAnHour"), std::nullopt);
    EXPECT_EQ(tarvoSnoozePreset("in_an_hour"), TarvoSnoozePreset::inAnHour);
    EXPECT_EQ(label(TarvoSnoozePreset::atDesk), "When I'm at my desk");
    for (const TarvoSnoozePreset preset : tarvoSnoozePresetCases) {
        EXPECT_EQ(tarvoSnoozePreset(rawValue(preset)), preset) << rawValue(preset);
    }
}
