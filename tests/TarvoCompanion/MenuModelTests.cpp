#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "MenuTest.h"
#include "Support/CapturedTarvoLog.h"
#include "TarvoCompanion/MenuModel.h"
#include "TarvoCore/Operator/OperatorCaps.h"

namespace tarvo::testing {
namespace {

using Lines = std::vector<std::string>;

class IdleController final : public UpdaterController {
public:
    void setAutomaticallyChecksForUpdates(bool) override {}
    void setAutomaticallyDownloadsUpdates(bool) override {}
    void setUpdateCheckInterval(std::chrono::seconds) override {}
    void start() override {}
    void checkForUpdates() override {}
};

class MenuModelTest : public MenuTest {
protected:
    MenuModel menu() {
        return MenuModel({.companion = companion,
                          .safari = safari,
                          .updater = updater,
                          .stopKeysSpoken = "Control-Alt-Super-period",
                          .showOperatingSetup = [this] { ++operatingSetupShown; }});
    }

    // A reading with every permission there and the switch on.
    static OperatorCaps readyCaps() {
        OperatorCaps caps;
        caps.enabled = true;
        caps.accessibility = caps.screenRecording = caps.postEvent = caps.onConsole = caps.osSupported = true;
        caps.sessionLocked = false;
        caps.displayCount = 1;
        return caps;
    }

    Updater* updater = nullptr;
    int operatingSetupShown = 0;
};

TEST_F(MenuModelTest, TheIconFollowsALiveRunThenTheChannelsOffered) {
    EXPECT_EQ(menu().icon(), MenuModel::Icon::attention) << "signed out";
    signIn(false);
    EXPECT_EQ(menu().icon(), MenuModel::Icon::attention) << "signed in, Messages unreadable";
    signIn(true, {});
    EXPECT_EQ(menu().icon(), MenuModel::Icon::attention) << "signed in, no channel switched on";
    signIn();
    EXPECT_EQ(menu().icon(), MenuModel::Icon::ready);
    companion->mutableState().signIn = CompanionState::SignIn::signedOut();
    link->raise("run-1");
    EXPECT_EQ(menu().icon(), MenuModel::Icon::operating) << "a live run, whatever the sign-in";
    EXPECT_EQ(MenuModel::symbol(MenuModel::Icon::operating), "eye.circle.fill");
    EXPECT_EQ(MenuModel::symbol(MenuModel::Icon::attention), "bubble.left.and.exclamationmark.bubble.right");
}

TEST_F(MenuModelTest, SignedOutTheMenuOffersTheSignInAndNothingOfTheOperator) {
    EXPECT_EQ(titles(menu().items()), (Lines{"Not signed in", "---", "Sign in\u2026", "---", "Quit Tarvo"}));
    link->raise("run-1");
    EXPECT_EQ(titles(menu().items()),
              (Lines{"Stop operating this Mac", "Tarvo is operating this Mac. Control-Alt-Super-period also stops it.",
                     "---", "Not signed in", "---", "Sign in\u2026", "---", "Quit Tarvo"}));
}

TEST_F(MenuModelTest, APairingUnderWayShowsItsCodeAndTheWayBackToItsPage) {
    FakeService service;
    startPairing(service);
    EXPECT_EQ(titles(menu().items()), (Lines{"Not signed in", "---", "Enter this code on the web: WXYZ-1234",
                                             "Open the page again", "---", "Quit Tarvo"}));
}

TEST_F(MenuModelTest, SignedInTheMessagesBlockShowsOnlyWhileTheyCannotBeRead) {
    signIn(false);
    companion->mutableState().skippedWithoutText = 3;
    EXPECT_EQ(titles(menu().items()),
              (Lines{"No channels switched on", "---", "Open the panel", "---", "Tarvo cannot read Messages",
                     "Open Full Disk Access settings\u2026", "Check again", "Link WhatsApp\u2026",
                     "3 message(s) could not be read", "---", "Allow Tarvo to operate this Mac",
                     "Set up operating this Mac\u2026", "---", "Quit Tarvo"}));
    signIn(true);
    companion->mutableState().skippedWithoutText = 0;
    EXPECT_EQ(titles(menu().items()),
              (Lines{"Signed in \u2014 no messages read yet", "---", "Open the panel", "Link WhatsApp\u2026", "---",
                     "Allow Tarvo to operate this Mac", "Set up operating this Mac\u2026", "---", "Quit Tarvo"}));
}

TEST_F(MenuModelTest, ALinkedWhatsAppCannotBeChosenAgain) {
    signIn();
    linkWhatsApp();
    const std::vector<MenuItem> items = menu().items();
    const MenuItem* item = find(items, "whatsapp");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->title, "WhatsApp is linked");
    EXPECT_FALSE(item->enabled);
    const int asks = whatsapp->linkingAsks();
    EXPECT_EQ(menu().press("whatsapp"), PressOutcome::disabled("WhatsApp is linked"));
    settle();
    EXPECT_EQ(whatsapp->linkingAsks(), asks);
}

TEST_F(MenuModelTest, TheOperatorBlockFollowsTheSwitchTheReadingAndTheMode) {
    signIn();
    const auto operatorBlock = [this] {
        const std::vector<MenuItem> items = menu().items();
        const auto from = std::ranges::find(items, std::string("operate"), &MenuItem::id);
        const auto to = std::ranges::find(items, std::string("set-up-operating"), &MenuItem::id);
        return titles(std::vector<MenuItem>(from, to));
    };
    permissions->setAllowed(true);
    EXPECT_EQ(operatorBlock(), (Lines{"Allow Tarvo to operate this Mac"})) << "no reading yet";

    OperatorCaps lagging = readyCaps();
    lagging.enabled = false;
    permissions->read(lagging);
    EXPECT_EQ(operatorBlock(), (Lines{"Allow Tarvo to operate this Mac", "Keep my Mac awake while Tarvo works"}))
        << "a reading whose only gap is the switch shows no readiness line";

    OperatorCaps refused = readyCaps();
    refused.screenRecording = false;
    permissions->read(refused);
    EXPECT_EQ(operatorBlock(), (Lines{"Allow Tarvo to operate this Mac",
                                      std::string(sentence(OperatorGap::screenRecordingOff)),
                                      "Keep my Mac awake while Tarvo works"}));

    permissions->read(readyCaps());
    permissions->permissionMode = MacPermissionMode::autoRead;
    permissions->modeNotice = "That did not save. Nothing changed.";
    EXPECT_EQ(operatorBlock(),
              (Lines{"Allow Tarvo to operate this Mac", "This Mac can be operated", "Keep my Mac awake while Tarvo works",
                     "How Tarvo asks on this Mac",
                     "Tarvo finds and reads your files without asking. It still asks before it does anything in an app.",
                     "That did not save. Nothing changed."}));
    const std::vector<MenuItem> items = menu().items();
    const MenuItem* picker = find(items, "mode");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->choices, (std::vector<MenuItem::Choice>{{"mode-ask", "Ask me", false},
                                                              {"mode-auto_read", "Auto for reading", true},
                                                              {"mode-auto", "Auto", false}}));
}

TEST_F(MenuModelTest, TogglesWriteTheSwitchesAndButtonsReachTheirOwners) {
    signIn();
    EXPECT_EQ(menu().press("operate"), PressOutcome::done());
    EXPECT_TRUE(permissions->allowed());
    const std::vector<MenuItem> items = menu().items();
    ASSERT_NE(find(items, "operate"), nullptr);
    EXPECT_TRUE(find(items, "operate")->checked);
    permissions->read(readyCaps());
    EXPECT_EQ(menu().press("keep-awake"), PressOutcome::done());
    EXPECT_TRUE(permissions->keepAwake());
    EXPECT_EQ(menu().press("operate"), PressOutcome::done());
    EXPECT_FALSE(permissions->allowed());
    EXPECT_EQ(menu().press("keep-awake").kind, PressOutcome::Kind::unknown) << "hidden with the switch off";

    EXPECT_EQ(menu().press("set-up-operating"), PressOutcome::done());
    EXPECT_EQ(operatingSetupShown, 1);
    EXPECT_EQ(menu().press("panel"), PressOutcome::done());
    ASSERT_NE(companion->panelWindow(), nullptr);
    EXPECT_EQ(menu().press("no-such-item"), PressOutcome::unknown("no-such-item", "the menu"));

    companion->mutableState().signIn = CompanionState::SignIn::signedOut();
    EXPECT_EQ(menu().press("sign-in"), PressOutcome::done());
    EXPECT_EQ(companion->signIns, 1);
}

TEST_F(MenuModelTest, StoppingTwiceRecordsOneStopAndLowersAndReportsBothTimes) {
    const CapturedTarvoLog log;
    ASSERT_TRUE(link->session().begin("run-7"));
    link->raise("run-7");
    MenuModel model = menu();
    EXPECT_EQ(model.press("stop"), PressOutcome::done());
    model.stop();

    const auto stops = link->stops().entries();
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].runId, "run-7");
    EXPECT_EQ(stops[0].by, "menu");
    EXPECT_EQ(link->barsLowered(), 2);
    EXPECT_EQ(link->reportsStarted(), 2);
    const auto entries = log.entries();
    EXPECT_EQ(std::ranges::count_if(entries, [](const LogEntry& entry) {
                  return entry.category == "operator" && entry.text() == "operator run ended by menu";
              }),
              2);
    EXPECT_EQ(model.press("stop").kind, PressOutcome::Kind::unknown) << "no live run, no stop item";
}

TEST_F(MenuModelTest, TheExtensionAndTheUpdatesHaveTheirItemsOnlyWhenThere) {
    TemporaryFolder bundle;
    const std::filesystem::path handler = bundle / "tarvo-safari";
    {
        std::ofstream(handler) << "#!/bin/sh\n";
    }
    std::filesystem::permissions(handler, std::filesystem::perms::owner_all);
    safari = SafariStatus::make(SafariSwitch(handler, nullptr));
    settle();
    EXPECT_EQ(titles(menu().items()),
              (Lines{"Not signed in", "---", "Sign in\u2026", "---", "Turn on Tarvo in Safari", "---", "Quit Tarvo"}));

    {
        std::ofstream(bundle / "bundle-info.json") << R"({"SUFeedURL":"https://feed.example/a","SUPublicEDKey":"k"})";
    }
    Updater withFeed(BundleInfo::read(bundle / "bundle-info.json"),
                     [](const BundleInfo&, UpdaterDelegate&) { return std::make_unique<IdleController>(); });
    updater = &withFeed;
    EXPECT_EQ(titles(menu().items()).at(6), "Check for Updates\u2026");
}

} // namespace
} // namespace tarvo::testing
