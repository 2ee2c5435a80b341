#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/AtSpiWorker.h"
#include "Platform/XTestInput.h"
#include "TarvoCompanion/Operator/AXReader.h"
#include "TarvoCore/Operator/Acting.h"

namespace tarvo {

// The hands of the operator on the desktop: presses through the element's own accessibility
// action, and keys, typing and the wheel through XTest. XTest input goes to whatever has the
// keyboard focus, so right before its first event, and before each later chunk of typing, the
// actor makes sure the active window belongs to the app it acts on. Everything that touches the
// bus or the X server runs on the accessibility worker, in order. Finding, naming and opening
// apps is the applications' side, handed in.
class MacActor final : public Acting {
public:
    // Asked on the worker before every act, in this order.
    struct Checks {
        // The accessibility bus answers.
        std::function<bool()> trusted;
        // The X server takes synthetic input.
        std::function<bool()> mayPost;
    };

    static constexpr std::string_view notTrustedSentence = "Accessibility is off for Tarvo, so it cannot click or type.";
    static constexpr std::string_view cannotPostSentence =
        "Tarvo needs to be restarted on the Mac before it can click or type.";
    static constexpr std::string_view unknownKeySentence = "Tarvo does not know that key, so it pressed nothing.";
    static constexpr std::string_view scrollNotMadeSentence = "The scroll could not be made.";
    static std::string wouldNotPressSentence(std::string_view app);
    static std::string noWindowToScrollSentence(std::string_view app);
    static std::string stoppedTypingSentence(std::string_view app);

    static constexpr std::chrono::milliseconds focusWait{50};
    static constexpr std::chrono::milliseconds chunkPause{10};
    static constexpr std::chrono::milliseconds settleTime{400};
    // Before the spare keys typing mapped are given back: the app looks a key up in the
    // keymap of the moment it reads the key's event, not of the moment it was sent.
    static constexpr std::chrono::milliseconds spareRestoreDelay{500};
    static constexpr int linesPerAmount = 10;
    // Wheel clicks per line: one amount moves a list by about ten rows.
    static constexpr double clicksPerLine = 0.5;

    // The wheel a scroll turns: its button (4 up, 5 down, 6 left, 7 right) and lines.
    struct Wheel {
        unsigned button = 0;
        int lines = 0;
        bool operator==(const Wheel&) const = default;
    };
    // "up" turns the vertical wheel by +lines, "down" by -lines, "left" the horizontal one by
    // +lines and any other direction by -lines; the amount counts from 1 to 10.
    static Wheel wheel(std::string_view direction, std::int64_t amount);

    MacActor(std::shared_ptr<AtSpiRegistry> registry, std::shared_ptr<AtSpiWorker> worker, Checks checks,
             std::shared_ptr<XTestInput> input, std::shared_ptr<Acting> applications);

    Task<std::optional<RunningApp>> front() override;
    Task<std::optional<ResolvedApp>> resolve(std::string app) override;
    Task<RunningApp> open(std::string app) override;
    Task<std::optional<ActTarget>> describe(std::string element, RunningApp in) override;
    Task<void> press(std::string element, RunningApp in) override;
    Task<void> type(std::string text, std::optional<std::string> into, RunningApp in) override;
    Task<void> key(std::string key, std::vector<std::string> modifiers, RunningApp in) override;
    Task<void> scroll(std::string direction, std::int64_t amount, RunningApp in) override;
    Task<void> settle() override;

private:
    // Throws the sentence of the first check that fails.
    Task<void> checked();
    std::optional<AtSpiElement> element(const std::string& id, const RunningApp& in) const;
    Task<void> typeLines(std::string text, RunningApp in);
    Task<void> restoreSpares();

    std::shared_ptr<AtSpiRegistry> registry_;
    std::shared_ptr<AtSpiWorker> worker_;
    Checks checks_;
    std::shared_ptr<XTestInput> input_;
    std::shared_ptr<Acting> applications_;
};

} // namespace tarvo
