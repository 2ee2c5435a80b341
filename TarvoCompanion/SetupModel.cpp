#include "TarvoCompanion/SetupModel.h"

#include <exception>
#include <utility>

#include "TarvoCompanion/Brand.h"

namespace tarvo {
namespace {

constexpr std::string_view copyId = "copy";
constexpr std::string_view signInId = "sign-in";
constexpr std::string_view fullDiskAccessId = "full-disk-access-settings";
constexpr std::string_view restartId = "restart";
constexpr std::string_view safariId = "safari";
constexpr std::string_view channelSettingsId = "channel-settings";
constexpr std::string_view doneId = "done";

// The copy button is smaller than the two shared ones, and turns quiet once it has copied.
SetupButton copyButton(bool copied) {
    ButtonLook look = copied ? Brand::plainLook() : Brand::accentLook();
    look.textSize = 11.5;
    look.horizontalPadding = 11;
    look.verticalPadding = 5;
    return {std::string(copyId), copied ? "Copied" : "Copy", look};
}

} // namespace

SetupModel::SetupModel(std::shared_ptr<Companion> companion, std::shared_ptr<SafariStatus> safari,
                       std::shared_ptr<Clipboard> clipboard)
    : companion_(std::move(companion)), safari_(std::move(safari)), clipboard_(std::move(clipboard)) {}

SetupModel::SignInStep SetupModel::signInStep(const std::optional<std::string>& pairingCode,
                                              const CompanionState& state) {
    if (pairingCode) return SignInStep::waiting;
    return state.signIn.isSignedIn() ? SignInStep::done : SignInStep::current;
}

SetupModel::MessagesStep SetupModel::messagesStep(const CompanionState& state) {
    if (!state.signIn.isSignedIn()) return MessagesStep::notYet;
    return state.canReadMessages ? MessagesStep::done : MessagesStep::current;
}

SetupModel::Footer SetupModel::footer(const CompanionState& state) {
    if (state.signIn.isSignedIn() && state.canReadMessages) {
        return state.unconnectedChannelWarning() ? Footer::finishedWithWarning : Footer::finished;
    }
    return state.blockedReason ? Footer::blocked : Footer::empty;
}

std::string SetupModel::safariStepsLine() {
    std::string line;
    for (std::size_t index = 0; index < SafariSetup::steps.size(); ++index) {
        if (index > 0) line += "   ";
        line += std::to_string(index + 1) + ". " + std::string(SafariSetup::steps[index]);
    }
    return line;
}

SetupModel::Page SetupModel::page() const {
    const CompanionState& state = companion_->state();
    Page page;
    page.heading = "Connect this Mac";
    page.intro = "Tarvo reads iMessage on this Mac so it appears on every device you own. Drafts wait for you to press "
                 "send, unless you switch automatic replies on for a channel yourself \u2014 and today those run on "
                 "Telegram only, not iMessage.";

    page.signInStep = signInStep(companion_->pairingCode(), state);
    switch (page.signInStep) {
    case SignInStep::waiting:
        page.signIn.label = {1, "Approve this Mac in your browser", false, false};
        page.code = companion_->pairingCode();
        page.signIn.lines = {"Waiting for you to approve it\u2026"};
        page.signIn.buttons = {copyButton(copied_)};
        break;
    case SignInStep::done: page.signIn.label = {1, "Signed in", true, false}; break;
    case SignInStep::current:
        page.signIn.label = {1, "Sign in", false, false};
        page.signIn.lines = {"This opens your browser. You approve this Mac there \u2014 nothing is typed in here."};
        page.signIn.buttons = {Brand::accentButton(std::string(signInId), "Sign in")};
        break;
    }

    page.messagesStep = messagesStep(state);
    switch (page.messagesStep) {
    case MessagesStep::notYet: page.messages.label = {2, "Allow it to read Messages", false, true}; break;
    case MessagesStep::done: page.messages.label = {2, "Tarvo can read Messages", true, false}; break;
    case MessagesStep::current:
        page.messages.label = {2, "Allow it to read Messages", false, false};
        page.messages.lines = {"macOS does not let apps ask for this \u2014 you grant it by hand. Turn Tarvo on in the "
                               "list that opens, then press Restart. macOS only applies it when the app starts again, "
                               "which is why nothing changes until you do."};
        page.messages.buttons = {Brand::accentButton(std::string(fullDiskAccessId), "Open settings"),
                                 Brand::plainButton(std::string(restartId), "Restart Tarvo")};
        break;
    }

    page.safari = safari_ ? safari_->setup() : SafariSetup(SafariSetup::hidden);
    switch (page.safari.kind()) {
    case SafariSetup::hidden: break;
    case SafariSetup::on: page.safariLine = "Safari On"; break;
    case SafariSetup::offer: {
        ButtonLook bare = Brand::accentLook();
        bare.fillOpacity = 0;
        bare.strokeOpacity = 0;
        page.safariButtons = {{std::string(safariId), std::string(SafariSetup::buttonTitle), bare}};
        page.safariLine = safariStepsLine();
        break;
    }
    }
    page.height = page.safari == SafariSetup::hidden ? shortHeight : tallHeight;

    page.footer = footer(state);
    switch (page.footer) {
    case Footer::finishedWithWarning:
        page.footerText = state.unconnectedChannelWarning();
        page.footerButtons = {Brand::accentButton(std::string(channelSettingsId), "Open settings"),
                              Brand::plainButton(std::string(doneId), "Done")};
        break;
    case Footer::finished:
        page.footerText = "All set. Tarvo lives in the menu bar from here.";
        page.footerButtons = {Brand::accentButton(std::string(doneId), "Done")};
        break;
    case Footer::blocked: page.footerText = state.blockedReason; break;
    case Footer::empty: break;
    }
    return page;
}

PressOutcome SetupModel::press(std::string_view id) {
    const Page shown = page();
    const auto offered = [&](const std::vector<SetupButton>& buttons) {
        return std::ranges::find(buttons, id, &SetupButton::id) != buttons.end();
    };
    if (!offered(shown.signIn.buttons) && !offered(shown.messages.buttons) && !offered(shown.safariButtons) &&
        !offered(shown.footerButtons)) {
        return PressOutcome::unknown(std::string(id), "the window \"Set up Tarvo\"");
    }
    if (id == copyId) return copy();
    if (id == signInId) {
        companion_->beginSignIn();
    } else if (id == fullDiskAccessId) {
        companion_->openFullDiskAccessSettings();
    } else if (id == restartId) {
        companion_->relaunchForPermission();
    } else if (id == safariId) {
        safari_->safariSwitch().showInSafari();
    } else if (id == channelSettingsId) {
        companion_->openPanelWindow("/app/settings");
    } else if (id == doneId) {
        finish();
    }
    return PressOutcome::done();
}

PressOutcome SetupModel::copy() {
    const std::string code = companion_->pairingCode().value_or("");
    if (!clipboard_ || !clipboard_->exists()) {
        return PressOutcome::failed("This computer has no clipboard to copy to. The code is " + code + ".");
    }
    try {
        clipboard_->put(code);
    } catch (const std::exception& failure) {
        return PressOutcome::failed(std::string("The code could not be copied: ") + failure.what() +
                                    ". The code is " + code + ".");
    }
    copied_ = true;
    return PressOutcome::done();
}

void SetupModel::finish() {
    if (SetupWindow* window = companion_->setupWindow()) window->close();
    companion_->offerToStartAtLogin();
    companion_->arrivals().requestPermission();
    companion_->openPanelWindow("/app");
}

} // namespace tarvo
