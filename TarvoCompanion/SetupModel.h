#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCompanion/Companion.h"
#include "TarvoCompanion/PressOutcome.h"
#include "TarvoCompanion/SafariStatus.h"
#include "TarvoCompanion/SetupButton.h"
#include "TarvoCore/Ports/Clipboard.h"

namespace tarvo {

// The content of the first-run setup window: sign-in by a code approved in the browser, the
// Messages permission, the browser extension, and the "Done" that hands over to the panel. Each
// display is derived afresh on every request from the companion and the extension's status; the
// one thing it keeps is whether the code was copied, which stays for the rest of the process,
// also for a later code. Lives on the main loop.
class SetupModel {
public:
    enum class SignInStep { waiting, done, current };
    enum class MessagesStep { notYet, done, current };
    enum class Footer { finishedWithWarning, finished, blocked, empty };

    static constexpr int shortHeight = 460;
    static constexpr int tallHeight = 512;

    struct StepLabel {
        int number = 0;
        std::string title;
        bool done = false;
        // Drawn at 0.4 opacity.
        bool dimmed = false;
        bool operator==(const StepLabel&) const = default;
    };
    struct Step {
        StepLabel label;
        // The lines under the label, in order.
        std::vector<std::string> lines;
        std::vector<SetupButton> buttons;
    };
    struct Page {
        std::string heading;
        std::string intro;
        SignInStep signInStep = SignInStep::current;
        Step signIn;
        // The code to approve, shown while a sign-in waits.
        std::optional<std::string> code;
        MessagesStep messagesStep = MessagesStep::notYet;
        Step messages;
        SafariSetup safari = SafariSetup::hidden;
        // "Safari On", or the extension's steps under its button.
        std::optional<std::string> safariLine;
        std::vector<SetupButton> safariButtons;
        Footer footer = Footer::empty;
        std::optional<std::string> footerText;
        std::vector<SetupButton> footerButtons;
        int height = shortHeight;
    };

    static SignInStep signInStep(const std::optional<std::string>& pairingCode, const CompanionState& state);
    static MessagesStep messagesStep(const CompanionState& state);
    static Footer footer(const CompanionState& state);
    // "1. Tick Tarvo.   2. Choose Allow on every website."
    static std::string safariStepsLine();

    // `clipboard` nothing where there is none.
    SetupModel(std::shared_ptr<Companion> companion, std::shared_ptr<SafariStatus> safari,
               std::shared_ptr<Clipboard> clipboard);

    Page page() const;
    PressOutcome press(std::string_view id);
    bool copied() const { return copied_; }

    // "Done": the window closed when it exists, the login question, the notification request,
    // and the panel at "/app", in that order.
    void finish();

private:
    PressOutcome copy();

    std::shared_ptr<Companion> companion_;
    std::shared_ptr<SafariStatus> safari_;
    std::shared_ptr<Clipboard> clipboard_;
    bool copied_ = false;
};

} // namespace tarvo
