#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TarvoCore/Operator/ActTarget.h"
#include "TarvoCore/Operator/OperatorStepRequest.h"
#include "TarvoCore/Operator/RunningApp.h"

namespace tarvo {

// Which acts wait for the user's own press, and the question the user then sees. Pure rules over
// the step, the element it names and the app in front.
class ActPolicy {
public:
    // Whole words and phrases, matched without regard to letter case.
    static constexpr std::string_view consequentialPattern =
        "\\b(send|sent|submit|buy|purchase|pay|payment|order|checkout|check out|place order|delete|remove|trash|"
        "erase|discard|empty|post|publish|tweet|reply|forward|confirm|transfer|book|reserve|subscribe|unsubscribe|"
        "sign|approve|accept|install|uninstall|share|invite|donate|withdraw|deposit|wire)\\b";

    // Apps, by lower-cased name or bundle identifier, where Return, space, a letter or digit and
    // text with line breaks only edit a document.
    static constexpr std::array<std::string_view, 10> returnSafeApps{
        "notes", "textedit", "pages", "microsoft word", "stickies",
        "com.apple.notes", "com.apple.textedit", "com.apple.iwork.pages", "com.microsoft.word", "com.apple.stickies",
    };
    // Controls that are pressed, not typed into.
    static constexpr std::array<std::string_view, 12> pressedNotTypedRoles{
        "AXButton", "AXLink", "AXMenuItem", "AXMenuButton", "AXPopUpButton", "AXCheckBox",
        "AXRadioButton", "AXMenuBarItem", "AXTab", "AXDisclosureTriangle", "AXIncrementor", "AXSlider",
    };
    // Lower-cased names of buttons that say yes to whatever their dialog asks.
    static constexpr std::array<std::string_view, 9> confirmingLabels{
        "ok", "yes", "continue", "done", "confirm", "allow", "agree", "i agree", "proceed",
    };
    // Key name and the name a question speaks.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 15> spokenKeys{{
        {"return", "Return"},
        {"enter", "Enter"},
        {"tab", "Tab"},
        {"escape", "Escape"},
        {"space", "Space"},
        {"delete", "Delete"},
        {"forward_delete", "Forward Delete"},
        {"up", "Up Arrow"},
        {"down", "Down Arrow"},
        {"left", "Left Arrow"},
        {"right", "Right Arrow"},
        {"home", "Home"},
        {"end", "End"},
        {"page_up", "Page Up"},
        {"page_down", "Page Down"},
    }};

    static constexpr std::string_view pressedForAnotherSentence =
        "That press was for a different act, so nothing was done.";
    static constexpr std::string_view neverTypeSecretSentence = "Tarvo never types into a password field.";

    // The question to show when the act must wait for the user's press; nothing when it may run at
    // once. Only key, press_element and type_text are ever held. `target` is the element the step
    // names; `frontBundleId` belongs to the front app the act is aimed at.
    static std::optional<std::string> hold(const OperatorStepRequest& step, const std::optional<ActTarget>& target,
                                           const std::optional<std::string>& frontBundleId);

    // The text is present and a consequential word stands in it.
    static bool isConsequential(const std::optional<std::string>& text);
    // The text holds a line break that a field would take as Return.
    static bool startsALine(std::string_view text);
    // The text holds a scalar that a keyboard sends as a key rather than as text: a control
    // character other than tab, line feed, carriage return and U+0085, or the macOS function-key
    // range U+F700–U+F8FF.
    static bool carriesAKey(std::string_view text);
    static bool returnIsSafe(std::string_view app, const std::optional<std::string>& bundleId);
    // "Return", "Shift-Command-D", "Control-Option-Page Down": modifiers in a fixed order, each once.
    static std::string keyWords(std::string_view key, const std::vector<std::string>& modifiers);
    // The app the step names is the front app, by name or bundle identifier, letter case ignored.
    static bool isFront(std::string_view app, const std::optional<RunningApp>& front);
    // The text on one line with single spaces, at most 80 characters and "…", in curly quotes.
    static std::string quote(std::string_view text);
    // The title or else the label, trimmed, when one has words.
    static std::optional<std::string> spokenName(const ActTarget& target);

    static std::string notInFrontSentence(std::string_view app);
    static std::string staleControlSentence(std::string_view app);

private:
    static std::optional<std::string> keyHold(const OperatorStepRequest::Key& step,
                                              const std::optional<std::string>& frontBundleId);
    static std::optional<std::string> pressHold(const OperatorStepRequest::PressElement& step,
                                                const std::optional<ActTarget>& target);
    static std::optional<std::string> typeHold(const OperatorStepRequest::TypeText& step,
                                               const std::optional<ActTarget>& target,
                                               const std::optional<std::string>& frontBundleId);
};

} // namespace tarvo
