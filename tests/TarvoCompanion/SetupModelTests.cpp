#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "MenuTest.h"
#include "ScriptedAlertPresenter.h"
#include "TarvoCompanion/Brand.h"
#include "TarvoCompanion/SetupModel.h"

namespace tarvo::testing {
namespace {

// A clipboard that keeps what it is given, or has none.
class MemoryClipboard final : public Clipboard {
public:
    bool exists() const override { return present; }
    void put(const std::string& text) override { held.push_back(text); }

    bool present = true;
    std::vector<std::string> held;
};

class SetupModelTest : public MenuTest {
protected:
    SetupModel setup() { return SetupModel(companion, safari, clipboard); }

    static std::vector<std::string> titles(const std::vector<SetupButton>& buttons) {
        std::vector<std::string> shown;
        for (const SetupButton& button : buttons) shown.push_back(button.title);
        return shown;
    }

    std::shared_ptr<MemoryClipboard> clipboard = std::make_shared<MemoryClipboard>();
};

TEST_F(SetupModelTest, SignedOutOnlyTheSignInStepIsCurrent) {
    const SetupModel::Page page = setup().page();
    EXPECT_EQ(page.signInStep, SetupModel::SignInStep::current);
    EXPECT_EQ(titles(page.signIn.buttons), (std::vector<std::string>{"Sign in"}));
    EXPECT_EQ(page.messagesStep, SetupModel::MessagesStep::notYet);
    EXPECT_EQ(page.messages.label, (SetupModel::StepLabel{2, "Allow it to read Messages", false, true}));
    EXPECT_TRUE(page.messages.lines.empty());
    EXPECT_TRUE(page.messages.buttons.empty());
    EXPECT_EQ(page.footer, SetupModel::Footer::empty);
    EXPECT_EQ(page.height, SetupModel::shortHeight);

    companion->mutableState().blockedReason = "That code expired before it was approved. Try again.";
    EXPECT_EQ(setup().page().footerText, "That code expired before it was approved. Try again.");
    EXPECT_EQ(setup().press("sign-in"), PressOutcome::done());
    EXPECT_EQ(companion->signIns, 1);
}

TEST_F(SetupModelTest, ACodeWaitingShowsItEvenWhileSignedInAndCopiedStaysForLaterCodes) {
    FakeService service;
    startPairing(service);
    signIn();
    SetupModel model = setup();
    SetupModel::Page page = model.page();
    EXPECT_EQ(page.signInStep, SetupModel::SignInStep::waiting);
    EXPECT_EQ(page.code, "WXYZ-1234");
    EXPECT_EQ(page.signIn.lines, (std::vector<std::string>{"Waiting for you to approve it\u2026"}));
    ASSERT_EQ(page.signIn.buttons.size(), 1u);
    EXPECT_EQ(page.signIn.buttons[0].title, "Copy");
    EXPECT_EQ(page.signIn.buttons[0].look.text, Brand::accent());

    EXPECT_EQ(model.press("copy"), PressOutcome::done());
    EXPECT_EQ(model.press("copy"), PressOutcome::done());
    EXPECT_EQ(clipboard->held, (std::vector<std::string>{"WXYZ-1234", "WXYZ-1234"}));
    page = model.page();
    EXPECT_EQ(page.signIn.buttons[0].title, "Copied");
    EXPECT_EQ(page.signIn.buttons[0].look.text, Brand::ink2());

    clipboard->present = false;
    const PressOutcome without = model.press("copy");
    EXPECT_EQ(without.kind, PressOutcome::Kind::failed);
    EXPECT_EQ(without.sentence, "This computer has no clipboard to copy to. The code is WXYZ-1234.");
}

TEST_F(SetupModelTest, SignedInWithoutMessagesOffersTheSettingsAndTheRestartButNoDone) {
    signIn(false);
    const SetupModel::Page page = setup().page();
    EXPECT_EQ(page.signInStep, SetupModel::SignInStep::done);
    EXPECT_TRUE(page.signIn.buttons.empty());
    EXPECT_EQ(page.messagesStep, SetupModel::MessagesStep::current);
    EXPECT_EQ(titles(page.messages.buttons), (std::vector<std::string>{"Open settings", "Restart Tarvo"}));
    EXPECT_EQ(page.footer, SetupModel::Footer::empty);
    EXPECT_EQ(setup().press("done").kind, PressOutcome::Kind::unknown);
}

TEST_F(SetupModelTest, FinishedItOffersDoneAndWithAWarningTheSettingsToo) {
    signIn();
    SetupModel::Page page = setup().page();
    EXPECT_EQ(page.messagesStep, SetupModel::MessagesStep::done);
    EXPECT_EQ(page.footer, SetupModel::Footer::finished);
    EXPECT_EQ(page.footerText, "All set. Tarvo lives in the menu bar from here.");
    EXPECT_EQ(titles(page.footerButtons), (std::vector<std::string>{"Done"}));

    companion->mutableState().unconnectedChannels = {"imessage"};
    page = setup().page();
    EXPECT_EQ(page.footer, SetupModel::Footer::finishedWithWarning);
    EXPECT_EQ(page.footerText, companion->state().unconnectedChannelWarning());
    EXPECT_EQ(titles(page.footerButtons), (std::vector<std::string>{"Open settings", "Done"}));
}

TEST_F(SetupModelTest, TheExtensionMakesTheWindowTaller) {
    TemporaryFolder bundle;
    const auto handler = bundle / "tarvo-safari";
    std::ofstream(handler) << "#!/bin/sh\n";
    std::filesystem::permissions(handler, std::filesystem::perms::owner_all);
    safari = SafariStatus::make(SafariSwitch(handler, nullptr));
    const SetupModel::Page page = setup().page();
    EXPECT_EQ(page.height, SetupModel::tallHeight);
    EXPECT_EQ(page.safari, SafariSetup::offer);
    EXPECT_EQ(page.safariLine, "1. Tick Tarvo.   2. Choose Allow on every website.");
    EXPECT_EQ(titles(page.safariButtons), (std::vector<std::string>{"Turn on Tarvo in Safari"}));
}

TEST_F(SetupModelTest, DoneClosesAsksOnceRequestsNoticesAndOpensThePanelEachTime) {
    const auto alerts = std::make_shared<ScriptedAlertPresenter>();
    alerts->answer = 1;
    Companion::Services services = usualServices();
    services.alerts = alerts;
    companion = std::make_shared<StatedCompanion>(std::move(services), script);
    signIn();
    // Paired, so that the panel loads the web application rather than give way to setup.
    defaults->set(Json("device-1"), Companion::deviceIdKey);
    SetupModel model = setup();

    alerts->onPresent = [this] { EXPECT_EQ(companion->panelWindow(), nullptr) << "the panel comes last"; };
    model.finish();
    settle();
    EXPECT_EQ(companion->setupWindow(), nullptr) << "never made, so nothing to close";
    ASSERT_EQ(alerts->presented.size(), 1u);
    EXPECT_EQ(alerts->presented[0].messageText, "Open Tarvo when you log in?");
    EXPECT_TRUE(companion->arrivals().allowed());
    ASSERT_NE(companion->panelWindow(), nullptr);
    EXPECT_TRUE(companion->panelWindow()->visible);

    companion->presentSetupWindow();
    companion->panelWindow()->close();
    EXPECT_EQ(model.press("done"), PressOutcome::done());
    settle();
    EXPECT_FALSE(companion->setupWindow()->isVisible());
    EXPECT_EQ(alerts->presented.size(), 1u) << "asked once ever";
    EXPECT_TRUE(companion->panelWindow()->visible);
}

} // namespace
} // namespace tarvo::testing
