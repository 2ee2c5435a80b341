#include <chrono>
#include <exception>
#include <functional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "TarvoBase/FileCalls.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Text.h"
#include "TarvoCompanion/WhatsApp/HostedWhatsAppSession.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using Kind = PageHost::Failure::Kind;
using SendOutcome = WhatsAppSession::SendOutcome;
using OpenOutcome = WhatsAppWeb::OpenOutcome;

constexpr auto deepLinkPause = 1s;
constexpr int deepLinkRounds = 40;
constexpr auto afterPaste = 1500ms;

constexpr std::string_view notLinked = "WhatsApp Web is not linked on this Mac. Open Tarvo and scan the code.";
constexpr std::string_view notConfirmed =
    "Tarvo could not confirm that the right WhatsApp conversation was open, so it sent nothing. Open the "
    "conversation in WhatsApp and try again.";
constexpr std::string_view editorHeldIt =
    "WhatsApp Web would not send the file. Tarvo attached it and WhatsApp's editor opened holding the picture, but "
    "WhatsApp only uploads a file its own chooser produced, and a window parked off screen cannot open one. Send "
    "this one by hand in WhatsApp — the words were held back too, so nothing has gone twice.";
constexpr std::string_view switchedConversation =
    "WhatsApp Web changed conversation while Tarvo was attaching the file, so nothing was sent. The file is still "
    "attached to the conversation it was meant for, waiting to be sent by hand.";
constexpr std::string_view pageReplaced =
    "The WhatsApp page was loaded again during the send, so Tarvo stopped rather than put anything into a "
    "conversation it had not confirmed.";
constexpr std::string_view couldNotTellWhetherSent =
    "Tarvo could not tell whether WhatsApp Web sent that. Nothing is assumed.";
constexpr std::string_view noWordsNoFiles = "This reply had no words and no files, so nothing was sent.";

std::string filesWord(int count) { return count == 1 ? "file" : fmt::format("{} files", count); }

// A script cut off may have pressed send before it went: the sentence says which file it was and
// what went before it, and claims nothing about the file itself.
std::string cutOffDuringFile(int index, int count) {
    const std::string said(WhatsAppWeb::couldNotTellWhetherTaken);
    if (count == 1) return said;
    if (index == 1) return fmt::format("{} It was the first of {} files; nothing after it was sent.", said, count);
    return fmt::format("{} It was file {} of {} — the {} before it were sent, and nothing after it was.", said, index,
                       count, index - 1);
}

std::string describedHow(const std::optional<std::map<std::string, std::int64_t>>& how) {
    if (!how) return "?";
    std::string text = "[";
    for (const auto& [strategy, rows] : *how) {
        if (text.size() > 1) text += ", ";
        text += fmt::format("\"{}\": {}", strategy, rows);
    }
    return text + "]";
}

std::string openFailed(const std::string& conversationRef, const std::optional<OpenOutcome>& outcome) {
    const std::string reason = outcome ? outcome->reason : "unknown";
    const auto optionalBool = [](const std::optional<bool>& value) -> std::string {
        return value ? (*value ? "true" : "false") : "?";
    };
    PlainLog::write(fmt::format("tarvo: whatsapp: could not open {} — {} walked={} anyFiber={} how={}", conversationRef,
                                reason,
                                outcome && outcome->walked ? std::to_string(*outcome->walked) : std::string("?"),
                                outcome ? optionalBool(outcome->anyFiber) : "?",
                                outcome ? describedHow(outcome->how) : "?"));
    if (!outcome) return WhatsAppWeb::openFailureSentence(reason, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    return WhatsAppWeb::openFailureSentence(reason, outcome->walked, outcome->sameNumber, outcome->anyFiber,
                                            outcome->searched);
}

bool cutOff(const HostedWhatsAppSession::ScriptAnswer& reply) {
    return reply.failure == Kind::deadline || reply.failure == Kind::browser;
}

Task<void> navigateTo(std::shared_ptr<PageHost> page, std::string address) {
    try {
        co_await page->navigate(std::move(address), HostedWhatsAppSession::navigationLimit);
    } catch (const PageHost::Failure&) {
        // The open rounds that follow find out whether the page got there.
    }
}

} // namespace

Task<WhatsAppSession::SendOutcome> HostedWhatsAppSession::send(std::string conversationRef, std::string body,
                                                               std::vector<OutgoingFile> files,
                                                               std::optional<std::string> name) {
    std::string failure;
    try {
        const SessionState settled = co_await settledState();
        if (settled != SessionState::linked()) co_return SendOutcome{false, std::string(notLinked)};
        std::function<Task<SendOutcome>()> job = [self = shared_from_this(), conversationRef = std::move(conversationRef),
                                                  body = std::move(body), files = std::move(files),
                                                  name = std::move(name)]() mutable {
            return self->sendHoldingThePage(std::move(conversationRef), std::move(body), std::move(files),
                                            std::move(name));
        };
        SendOutcome outcome = co_await drivingThePage<SendOutcome>(std::move(job));
        co_return outcome;
    } catch (const std::exception& error) {
        failure = error.what();
    }
    PlainLog::write("tarvo: whatsapp: the send ended early — " + failure);
    co_return SendOutcome{false, "Tarvo could not run the WhatsApp send: " + failure};
}

Task<WhatsAppSession::SendOutcome> HostedWhatsAppSession::sendHoldingThePage(std::string conversationRef,
                                                                             std::string body,
                                                                             std::vector<OutgoingFile> files,
                                                                             std::optional<std::string> name) {
    const std::optional<std::string> notOpened = co_await openForSend(conversationRef, std::move(name));
    if (notOpened) co_return SendOutcome{false, *notOpened};

    const std::optional<OpenOutcome> confirmed = co_await openOnce(conversationRef, std::nullopt);
    if (!confirmed || !confirmed->ok) co_return SendOutcome{false, std::string(notConfirmed)};
    // From here on everything goes into the page whose conversation was just confirmed, or nowhere.
    const std::uint64_t generation = pageGeneration_;

    const int count = static_cast<int>(files.size());
    for (int index = 1; index <= count; ++index) {
        OutgoingFile& file = files[static_cast<std::size_t>(index - 1)];
        const std::optional<std::string> failed = co_await sendFile(std::move(file), index, count, generation);
        if (failed) co_return SendOutcome{false, *failed};
    }
    SendOutcome outcome = co_await sendWords(std::move(body), count, generation);
    co_return outcome;
}

Task<std::optional<std::string>> HostedWhatsAppSession::openForSend(std::string conversationRef,
                                                                    std::optional<std::string> name) {
    std::optional<OpenOutcome> outcome = co_await openOnce(conversationRef, std::move(name));
    if (outcome && outcome->ok) co_return std::nullopt;
    const std::optional<std::string> deepLink = WhatsAppWeb::conversationURL(conversationRef);
    if (!deepLink) co_return openFailed(conversationRef, outcome);

    PlainLog::write("tarvo: whatsapp: " + conversationRef + " is not in the list — using the deep link");
    loadDeepLink(*deepLink);
    for (int round = 1; round <= deepLinkRounds; ++round) {
        co_await sleepFor(deepLinkPause);
        outcome = co_await openOnce(conversationRef, std::nullopt);
        if (outcome && outcome->ok) co_return std::nullopt;
    }
    co_return openFailed(conversationRef, outcome);
}

void HostedWhatsAppSession::loadDeepLink(std::string address) {
    webView();
    pageHasAddress_ = true;
    ++pageGeneration_;
    spawn(navigateTo(web_, std::move(address)));
}

Task<std::optional<WhatsAppWeb::OpenOutcome>> HostedWhatsAppSession::openOnce(std::string conversationRef,
                                                                            std::optional<std::string> name) {
    const ScriptAnswer reply =
        co_await runForSend(WhatsAppWeb::openConversationScript(conversationRef, name), Json::object(),
                            WhatsAppWeb::openScriptLimit);
    co_return WhatsAppWeb::parseOpenOutcome(reply.answer);
}

Task<std::optional<std::string>> HostedWhatsAppSession::sendFile(OutgoingFile file, int index, int count,
                                                                 std::uint64_t generation) {
    const auto replaced = [this, generation] { return pageGeneration_ != generation; };
    if (replaced()) co_return WhatsAppWeb::mediaFailureSentence(index, count, std::string(pageReplaced));

    if (const std::optional<std::filesystem::path> staged = stageForPaste(file)) {
        const bool pasted = co_await pasteImageNatively(*staged);
        if (pasted) co_await sleepFor(afterPaste);
        try {
            FileCalls::unlink(*staged);
        } catch (const std::system_error&) {
            // A copy left behind goes with the folder's next clean-up; it never fails the send.
        }
    }
    if (replaced()) co_return WhatsAppWeb::mediaFailureSentence(index, count, std::string(pageReplaced));
    co_await logReport(WhatsAppWeb::composerReportScript(), WhatsAppWeb::composerReportLimit,
                       "tarvo: whatsapp composer report:");
    if (replaced()) co_return WhatsAppWeb::mediaFailureSentence(index, count, std::string(pageReplaced));

    const ScriptAnswer reply = co_await runForSend(WhatsAppWeb::attachmentScript(),
                                                   WhatsAppWeb::attachmentArguments(file),
                                                   WhatsAppWeb::attachmentScriptLimit);
    WhatsAppWeb::MediaSendOutcome outcome = WhatsAppWeb::readMediaSendOutcome(reply.answer.value_or(std::string()));
    const bool wasCutOff = !outcome.ok && (cutOff(reply) || replaced());
    if (reply.reason && !outcome.ok) outcome.reason = "Tarvo could not run the WhatsApp send: " + *reply.reason;

    // The file waits in the editor: a real Return sends it there, and only a look afterwards
    // tells whether it went.
    const bool inTheEditor = !wasCutOff && !outcome.ok && outcome.stageName == "confirm" &&
                             outcome.reason != std::string(switchedConversation);
    if (inTheEditor) {
        co_await pressReturnNatively();
        if (!replaced()) {
            const bool gone = co_await mediaGone();
            outcome.ok = gone;
        }
    }
    PlainLog::write(fmt::format("tarvo: whatsapp: file {} of {} ({}) — stage {}, sent={}", index, count,
                                WhatsAppWeb::describedType(file.mimeType), outcome.stageName.value_or("none reported"),
                                outcome.ok ? "true" : "false"));
    if (wasCutOff) co_return cutOffDuringFile(index, count);
    if (!replaced()) {
        co_await logReport(WhatsAppWeb::afterHandoverReportScript(), WhatsAppWeb::afterHandoverReportLimit,
                           fmt::format("tarvo: whatsapp after attempt (ok={}):", outcome.ok ? "true" : "false"));
    }
    if (outcome.ok) co_return std::nullopt;
    if (inTheEditor) {
        PlainLog::write("tarvo: whatsapp: media send could not be confirmed — reporting failure");
        co_return WhatsAppWeb::mediaFailureSentence(index, count, std::string(editorHeldIt));
    }
    co_return WhatsAppWeb::mediaFailureSentence(index, count, outcome.reason);
}

Task<WhatsAppSession::SendOutcome> HostedWhatsAppSession::sendWords(std::string body, int fileCount,
                                                                    std::uint64_t generation) {
    if (Text::trimmingWhitespaceAndNewlines(body).empty()) {
        if (fileCount > 0) co_return SendOutcome{true, std::nullopt};
        co_return SendOutcome{false, std::string(noWordsNoFiles)};
    }
    const auto afterFiles = [fileCount](const std::string& reason, std::string_view ending) {
        return fmt::format("{} The {} had already been sent{}", reason, filesWord(fileCount), ending);
    };
    if (pageGeneration_ != generation) {
        if (fileCount == 0) co_return SendOutcome{false, std::string(pageReplaced)};
        co_return SendOutcome{false, afterFiles(std::string(pageReplaced), "; only the message itself did not go.")};
    }
    const ScriptAnswer reply =
        co_await runForSend(WhatsAppWeb::sendScript(body), Json::object(), WhatsAppWeb::sendScriptLimit);
    const WhatsAppWeb::SendOutcome outcome = WhatsAppWeb::readSendOutcome(reply.answer.value_or(std::string()));
    if (outcome.ok) co_return outcome;
    // Words cut off on their way, or left where it cannot be told whether they went: nothing is
    // said of them but that.
    const bool untold = cutOff(reply) || pageGeneration_ != generation || outcome.reason == couldNotTellWhetherSent;
    if (fileCount == 0) {
        if (untold) co_return SendOutcome{false, std::string(couldNotTellWhetherSent)};
        co_return outcome;
    }
    if (untold) co_return SendOutcome{false, afterFiles(std::string(couldNotTellWhetherSent), ".")};
    co_return SendOutcome{
        false, afterFiles(outcome.reason.value_or("WhatsApp Web did not say why."), "; only the message itself did not go.")};
}

Task<HostedWhatsAppSession::ScriptAnswer> HostedWhatsAppSession::runForSend(std::string body, Json arguments,
                                                                          std::chrono::seconds limit) {
    const Seconds within = limit;
    ScriptAnswer answer = co_await evaluateReporting(std::move(body), std::move(arguments), within);
    co_return answer;
}

Task<void> HostedWhatsAppSession::logReport(std::string script, std::chrono::seconds limit, std::string heading) {
    const ScriptAnswer reply = co_await runForSend(std::move(script), Json::object(), limit);
    if (reply.answer) PlainLog::write(heading + "\n" + *reply.answer);
}

Task<bool> HostedWhatsAppSession::mediaGone() {
    const ScriptAnswer reply = co_await runForSend(WhatsAppWeb::mediaGoneScript(), Json::object(), WhatsAppWeb::mediaGoneLimit);
    const std::optional<Json> answer = JsonReader::parse(reply.answer.value_or(std::string()));
    if (!answer || !answer->is_object()) co_return false;
    const auto gone = answer->find("gone");
    co_return gone != answer->end() && gone->is_boolean() && gone->get<bool>();
}

} // namespace tarvo
