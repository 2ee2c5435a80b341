#include <algorithm>
#include <chrono>
#include <exception>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/WhatsApp/HostedWhatsAppSession.h"
#include "TarvoCore/WhatsApp/FirstAnswer.h"

namespace tarvo {
namespace {

using ScriptAnswer = HostedWhatsAppSession::ScriptAnswer;
using Seconds = HostedWhatsAppSession::Seconds;
using Kind = PageHost::Failure::Kind;

std::string notAnsweredReason(std::optional<Seconds> within) {
    const long long seconds = within ? static_cast<long long>(within->count()) : 0;
    return fmt::format("the script had not answered after {} seconds, so Tarvo stopped waiting for it", seconds);
}

} // namespace

// Runs the script to its end, whenever that is, and gives what it came to.
Task<void> HostedWhatsAppSession::runReporting(std::shared_ptr<PageHost> page, std::string body, Json arguments,
                                               Clock::Duration limit, std::optional<Seconds> within,
                                               std::function<void(ScriptAnswer)> give,
                                               std::shared_ptr<PageScript> script) {
    ScriptAnswer answer;
    try {
        answer.answer = co_await page->callAsyncFunction(std::move(body), std::move(arguments), limit);
    } catch (const PageHost::Failure& failure) {
        answer.failure = failure.kind();
        answer.reason = failure.kind() == Kind::deadline ? notAnsweredReason(within) : std::string(failure.what());
    } catch (const std::exception& failure) {
        answer.failure = Kind::script;
        answer.reason = failure.what();
    }
    give(answer);
    script->mayRunOn = answer.failure == Kind::deadline;
    script->ended->succeed();
}

Task<void> HostedWhatsAppSession::raise(std::shared_ptr<PageHost> page, std::shared_ptr<PageScript> flag) {
    try {
        co_await page->evaluate(fmt::format("window.{} = true;", stopFlag), probeLimit);
    } catch (const PageHost::Failure&) {
        // A page too busy to take the flag is loaded again once its script runs out of time.
    }
    flag->ended->succeed();
}

Task<std::optional<std::string>> HostedWhatsAppSession::evaluate(std::string script) {
    PageHost& page = webView();
    try {
        co_return co_await page.evaluate(std::move(script), probeLimit);
    } catch (const PageHost::Failure& failure) {
        PlainLog::write(std::string("tarvo: whatsapp script failed: ") + failure.what());
    }
    co_return std::nullopt;
}

Task<HostedWhatsAppSession::ScriptAnswer> HostedWhatsAppSession::evaluateReporting(std::string body, Json arguments,
                                                                                   std::optional<Seconds> within) {
    webView();
    // The flag of a script given up on earlier must not stop this one.
    std::string run = fmt::format("window.{} = false;\n{}", stopFlag, body);
    const Clock::Duration limit =
        within ? std::chrono::duration_cast<Clock::Duration>(*within) + abandonedScriptGrace
               : std::chrono::duration_cast<Clock::Duration>(unboundedScriptLimit);
    auto script = std::make_shared<PageScript>();
    scriptsInPage_.push_back(script);
    std::function<void(std::function<void(ScriptAnswer)>)> start =
        [page = web_, run = std::move(run), arguments = std::move(arguments), limit, within,
         script](std::function<void(ScriptAnswer)> give) mutable {
            spawn(runReporting(page, std::move(run), std::move(arguments), limit, within, std::move(give), script));
        };
    std::function<ScriptAnswer()> orElse = [within] { return ScriptAnswer{std::nullopt, notAnsweredReason(within), Kind::deadline}; };
    ScriptAnswer answer = co_await WhatsAppWeb::firstAnswer<ScriptAnswer>(within, std::move(orElse), std::move(start));
    if (answer.reason) PlainLog::write("tarvo: whatsapp script failed to run: " + *answer.reason);
    if (!script->ended->isSettled()) raiseStopFlag();
    co_return answer;
}

void HostedWhatsAppSession::raiseStopFlag() {
    auto flag = std::make_shared<PageScript>();
    scriptsInPage_.push_back(flag);
    spawn(raise(web_, flag));
}

bool HostedWhatsAppSession::scriptsStillRunning() {
    std::erase_if(scriptsInPage_,
                  [](const auto& script) { return script->ended->isSettled() && !script->mayRunOn; });
    return !scriptsInPage_.empty();
}

Task<void> HostedWhatsAppSession::takeThePage() {
    if (!driving_) {
        driving_ = true;
        co_return;
    }
    auto turn = std::make_shared<OneShotResult<void>>();
    waitingToDrive_.push_back(turn);
    // Handed over with `driving_` still true, so that nobody who came later gets in first.
    co_await *turn;
}

void HostedWhatsAppSession::letGoOfThePage() {
    if (scriptsStillRunning()) {
        spawn(handOverWhenQuiet(shared_from_this()));
        return;
    }
    handOver();
}

void HostedWhatsAppSession::handOver() {
    if (waitingToDrive_.empty()) {
        driving_ = false;
        return;
    }
    const auto next = std::move(waitingToDrive_.front());
    waitingToDrive_.pop_front();
    next->succeed();
}

// A job that gave up on its script has let go of the page, but the script may still be pressing
// in it: the next job waits until it has ended, by itself or by a load of the page.
Task<void> HostedWhatsAppSession::handOverWhenQuiet(std::shared_ptr<HostedWhatsAppSession> self) {
    const auto scripts = self->scriptsInPage_;
    bool mayRunOn = false;
    for (const auto& script : scripts) {
        co_await *script->ended;
        mayRunOn = mayRunOn || script->mayRunOn;
    }
    if (mayRunOn) {
        const auto loaded = self->reload(
            fmt::format("a page script was still running {}s after Tarvo stopped waiting for it, and only loading the "
                        "page again ends it",
                        abandonedScriptGrace.count()));
        co_await *loaded;
    }
    std::erase_if(self->scriptsInPage_, [&scripts](const auto& script) { return std::ranges::count(scripts, script) > 0; });
    self->handOver();
}

} // namespace tarvo
