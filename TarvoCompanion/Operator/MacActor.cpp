#include "TarvoCompanion/Operator/MacActor.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include <X11/keysym.h>

#include "Platform/AXUISource.h"
#include "Platform/XTestKeys.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoCompanion/Operator/AXUIReads.h"
#include "TarvoCompanion/Operator/TypedText.h"
#include "TarvoCore/Operator/ActPolicy.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {
namespace {

bool isSecure(AXUISource& source, const AtSpiElement& element) {
    return AXSnapshot::isSecure(source.string(AXUISource::roleAttribute, element),
                                source.string(AXUISource::subroleAttribute, element));
}

// The app's focused element is a password field.
bool focusIsSecret(AXUISource& source, std::int32_t pid) {
    const auto application = source.application(pid);
    const auto focused = application ? source.element("AXFocusedUIElement", *application) : std::nullopt;
    return focused && isSecure(source, *focused);
}

// One thing typing sends: the return key between lines, or a chunk of a line.
struct TypingStep {
    bool returnKey = false;
    std::u32string chunk;
};

std::vector<TypingStep> typingSteps(std::string_view text) {
    std::vector<TypingStep> steps;
    const std::vector<std::string> lines = TypedText::lines(text);
    for (std::size_t line = 0; line < lines.size(); ++line) {
        if (line > 0) steps.push_back(TypingStep{true, {}});
        for (std::u32string& chunk : TypedText::chunks(lines[line])) steps.push_back(TypingStep{false, std::move(chunk)});
    }
    return steps;
}

} // namespace

std::string MacActor::wouldNotPressSentence(std::string_view app) {
    return "That control in " + std::string(app) + " would not press.";
}

std::string MacActor::noWindowToScrollSentence(std::string_view app) {
    return std::string(app) + " has no window to scroll.";
}

std::string MacActor::stoppedTypingSentence(std::string_view app) {
    return std::string(app) + " is not in front any more, so Tarvo stopped typing part way.";
}

MacActor::Wheel MacActor::wheel(std::string_view direction, std::int64_t amount) {
    const int lines = linesPerAmount * static_cast<int>(std::clamp<std::int64_t>(amount, 1, 10));
    if (direction == "up") return {4, lines};
    if (direction == "down") return {5, lines};
    if (direction == "left") return {6, lines};
    return {7, lines};
}

MacActor::MacActor(std::shared_ptr<AtSpiRegistry> registry, std::shared_ptr<AtSpiWorker> worker, Checks checks,
                   std::shared_ptr<XTestInput> input, std::shared_ptr<Acting> applications)
    : registry_(std::move(registry)), worker_(std::move(worker)), checks_(std::move(checks)),
      input_(std::move(input)), applications_(std::move(applications)) {}

Task<std::optional<RunningApp>> MacActor::front() { co_return co_await applications_->front(); }

Task<std::optional<Acting::ResolvedApp>> MacActor::resolve(std::string app) {
    co_return co_await applications_->resolve(std::move(app));
}

Task<RunningApp> MacActor::open(std::string app) { co_return co_await applications_->open(std::move(app)); }

Task<void> MacActor::checked() {
    auto check = [checks = checks_]() -> std::optional<std::string> {
        if (!checks.trusted()) return std::string(notTrustedSentence);
        if (!checks.mayPost()) return std::string(cannotPostSentence);
        return std::nullopt;
    };
    const std::optional<std::string> refusal = co_await worker_->run(check);
    if (refusal) throw OperatorPortFailure(*refusal);
}

std::optional<AtSpiElement> MacActor::element(const std::string& id, const RunningApp& in) const {
    return registry_->element(id, in.pid);
}

Task<std::optional<ActTarget>> MacActor::describe(std::string element, RunningApp in) {
    const auto found = this->element(element, in);
    if (!found) co_return std::nullopt;
    auto read = [target = *found] {
        AXUISource source;
        ActTarget described;
        described.role = source.string(AXUISource::roleAttribute, target);
        described.subrole = source.string(AXUISource::subroleAttribute, target);
        described.title = source.string(AXUISource::titleAttribute, target);
        described.label = source.string(AXUISource::descriptionAttribute, target);
        described.enabled = source.boolean(AXUISource::enabledAttribute, target);
        if (const auto window = source.element("AXWindow", target))
            described.windowTitle = source.string(AXUISource::titleAttribute, *window);
        described.dialogText = AXUIReads::dialogText(source, target);
        return described;
    };
    const ActTarget described = co_await worker_->run(read);
    co_return described;
}

Task<void> MacActor::press(std::string element, RunningApp in) {
    co_await checked();
    const auto found = this->element(element, in);
    if (!found) throw OperatorPortFailure(ActPolicy::staleControlSentence(in.name));
    auto act = [target = *found] {
        AXUISource source;
        return source.press(target);
    };
    const bool pressed = co_await worker_->run(act);
    if (!pressed) throw OperatorPortFailure(wouldNotPressSentence(in.name));
}

// A password field is refused when it is the element given, when it has the focus, and when
// the focus went to one on focusing the element: whatever is focused once the focus has
// settled is what the keys reach.
Task<void> MacActor::type(std::string text, std::optional<std::string> into, RunningApp in) {
    co_await checked();
    std::optional<AtSpiElement> target;
    if (into) {
        target = element(*into, in);
        if (!target) throw OperatorPortFailure(ActPolicy::staleControlSentence(in.name));
    }
    auto focus = [target, pid = in.pid] {
        AXUISource source;
        if (!target) return focusIsSecret(source, pid);
        if (isSecure(source, *target)) return true;
        source.focus(*target);
        return false;
    };
    const bool secretBefore = co_await worker_->run(focus);
    if (secretBefore) throw OperatorPortFailure(std::string(ActPolicy::neverTypeSecretSentence));
    auto settling = sleepFor(focusWait);
    co_await settling;
    auto recheck = [pid = in.pid] {
        AXUISource source;
        return focusIsSecret(source, pid);
    };
    const bool secretAfter = co_await worker_->run(recheck);
    if (secretAfter) throw OperatorPortFailure(std::string(ActPolicy::neverTypeSecretSentence));

    std::exception_ptr failed;
    try {
        co_await typeLines(std::move(text), in);
    } catch (...) {
        failed = std::current_exception();
    }
    co_await restoreSpares();
    if (failed) std::rethrow_exception(failed);
}

Task<void> MacActor::typeLines(std::string text, RunningApp in) {
    bool sentAny = false;
    std::vector<TypingStep> steps = typingSteps(text);
    for (TypingStep& step : steps) {
        auto send = [input = input_, pid = in.pid, step = std::move(step)] {
            if (input->frontPid() != pid) return false;
            if (step.returnKey) {
                input->key(XK_Return, {});
            } else {
                input->type(step.chunk);
            }
            return true;
        };
        const bool sent = co_await worker_->run(send);
        if (!sent) throw OperatorPortFailure(sentAny ? stoppedTypingSentence(in.name) : ActPolicy::notInFrontSentence(in.name));
        sentAny = true;
        auto pause = sleepFor(chunkPause);
        co_await pause;
    }
}

Task<void> MacActor::restoreSpares() {
    auto mapped = [input = input_] { return input->sparesMapped(); };
    const bool any = co_await worker_->run(mapped);
    if (!any) co_return;
    auto delay = sleepFor(spareRestoreDelay);
    co_await delay;
    auto restore = [input = input_] { input->restoreSpares(); };
    co_await worker_->run(restore);
}

Task<void> MacActor::key(std::string key, std::vector<std::string> modifiers, RunningApp in) {
    co_await checked();
    const auto symbol = XTestKeys::keysym(key);
    if (!symbol) throw OperatorPortFailure(std::string(unknownKeySentence));
    auto press = [input = input_, pid = in.pid, symbol = *symbol, held = XTestKeys::modifiers(modifiers)] {
        if (input->frontPid() != pid) return false;
        input->key(symbol, held);
        return true;
    };
    const bool pressed = co_await worker_->run(press);
    if (!pressed) throw OperatorPortFailure(ActPolicy::notInFrontSentence(in.name));
}

Task<void> MacActor::scroll(std::string direction, std::int64_t amount, RunningApp in) {
    co_await checked();
    auto turn = [input = input_, app = in, turning = wheel(direction, amount)]() -> std::optional<std::string> {
        AXUISource source;
        const auto application = source.application(app.pid);
        const auto window = application ? source.element("AXFocusedWindow", *application) : std::nullopt;
        const auto position = window ? source.point("AXPosition", *window) : std::nullopt;
        const auto size = window ? source.size("AXSize", *window) : std::nullopt;
        if (!position || !size) return noWindowToScrollSentence(app.name);
        if (input->frontPid() != app.pid) return ActPolicy::notInFrontSentence(app.name);
        const int clicks = std::max(1, static_cast<int>(std::lround(turning.lines * clicksPerLine)));
        const bool made = input->scroll(static_cast<int>(position->x + size->width / 2),
                                        static_cast<int>(position->y + size->height / 2), turning.button, clicks);
        if (!made) return std::string(scrollNotMadeSentence);
        return std::nullopt;
    };
    const std::optional<std::string> refusal = co_await worker_->run(turn);
    if (refusal) throw OperatorPortFailure(*refusal);
}

Task<void> MacActor::settle() {
    auto wait = sleepFor(settleTime);
    co_await wait;
}

} // namespace tarvo
