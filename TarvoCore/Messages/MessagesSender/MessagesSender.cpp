#include "TarvoCore/Messages/MessagesSender/MessagesSender.h"

#include <algorithm>
#include <utility>

#include "TarvoBase/OnWorker.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

std::string utf8OrEmpty(std::string bytes) { return Text::isWellFormedUtf8(bytes) ? std::move(bytes) : std::string(); }

MessagesSenderFailure translated(const std::string& description) {
    if (description.find("-1743") != std::string::npos ||
        Text::lowercased(description).find("not authori") != std::string::npos) {
        return MessagesSenderFailure::automationDenied();
    }
    return MessagesSenderFailure::messagesRefused(description);
}

} // namespace

MessagesSender::MessagesSender(std::shared_ptr<ProcessRunner> runner, std::string executable)
    : run_([runner = std::move(runner), executable = std::move(executable)](std::string script) {
          return osascript(runner, std::move(script), osascriptTimeout, executable);
      }) {}

Task<ReplyService> MessagesSender::sendReply(std::string jobId, std::string channelKind, std::string conversationRef,
                                             std::string body, std::vector<std::string> filePaths,
                                             ChatDatabase database) const {
    auto planning = [channelKind, conversationRef, database] {
        return ReplyService::plan(channelKind, conversationRef, database);
    };
    const ReplyService::Plan planned = co_await onWorker(planning);
    TarvoLog::replyService(jobId, channelKind, planned.service);
    co_await send(std::move(conversationRef), std::move(body), planned.service.isSMS, std::move(filePaths),
                  planned.guid);
    co_return planned.service;
}

Task<void> MessagesSender::send(std::string conversationRef, std::string body, bool isSMS,
                                std::vector<std::string> filePaths, std::optional<std::string> guid) const {
    const int count = static_cast<int>(filePaths.size());
    for (int index = 1; index <= count; ++index) {
        co_await runOrTranslate(fileScript(conversationRef, filePaths[index - 1], isSMS, guid),
                                Stage::file(index, count));
    }
    if (count > 0) co_await sleepFor(pausePerFile * count);
    if (Text::trimmingWhitespaceAndNewlines(body).empty()) {
        if (count > 0) co_return;
        throw Failure::messagesRefused(std::string(nothingToSend));
    }
    std::string words = script(conversationRef, body, isSMS, guid);
    if (count == 0) {
        co_await runOrTranslate(std::move(words), std::nullopt);
    } else {
        co_await sendWordsAfterFiles(std::move(words));
    }
}

Task<void> MessagesSender::sendWordsAfterFiles(std::string words) const {
    try {
        co_await runOrTranslate(words, Stage::words());
        co_return;
    } catch (const StagedFailure& first) {
        // Only a refusal is known to have sent nothing; after a time-out or a denial the words may
        // already be with the person, and a second try could give them twice.
        if (first.underlying().kind() != Failure::Kind::messagesRefused) throw;
    }
    co_await sleepFor(pauseBeforeWordsRetry);
    co_await runOrTranslate(std::move(words), Stage::words());
}

Task<void> MessagesSender::runOrTranslate(std::string script, std::optional<Stage> stage) const {
    std::optional<Failure> failure;
    try {
        co_await run_(std::move(script));
    } catch (const Failure& refused) {
        failure = refused;
    } catch (const std::exception& error) {
        failure = translated(error.what());
    }
    if (!failure) co_return;
    if (stage) throw StagedFailure(*stage, *failure);
    throw *failure;
}

Task<std::string> MessagesSender::osascript(std::shared_ptr<ProcessRunner> runner, std::string source,
                                            std::chrono::duration<double> timeout, std::string executable) {
    std::vector<std::string> arguments{"-e", std::move(source)};
    const auto limit = std::chrono::duration_cast<std::chrono::nanoseconds>(timeout);
    const ProcessRunner::Result result = co_await runner->run(std::move(executable), std::move(arguments), limit);
    if (result.timedOut) throw Failure::messagesTimedOut();
    if (result.exitCode != 0) {
        const std::string error = utf8OrEmpty(result.standardError);
        if (error.find("-1743") != std::string::npos) throw Failure::automationDenied();
        throw Failure::messagesRefused(Text::trimmingWhitespaceAndNewlines(error));
    }
    co_return utf8OrEmpty(result.standardOutput);
}

std::string MessagesSender::escape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\n':
            escaped += "\" & return & \"";
            break;
        case '\r':
            break;
        case '"':
            escaped += "\\\"";
            break;
        case '\\':
            escaped += "\\\\";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

bool MessagesSender::isGroup(std::string_view conversationRef, const std::optional<std::string>& guid) {
    if (guid && guid->starts_with("any;+;")) return true;
    if (guid && guid->starts_with("any;-;")) return false;
    constexpr std::string_view groupPrefix = "chat";
    if (!conversationRef.starts_with(groupPrefix)) return false;
    const std::vector<std::string> rest = Text::graphemes(conversationRef.substr(groupPrefix.size()));
    return !rest.empty() && std::all_of(rest.begin(), rest.end(), Text::isNumericCharacter);
}

std::string MessagesSender::resolveChat(std::string_view target, bool isGroup, bool isSMS) {
    const std::string escapedTarget(target);
    if (isGroup) {
        return "    set targetChat to missing value\n"
               "    try\n"
               "      set targetChat to chat id \"any;+;" + escapedTarget + "\"\n"
               "    end try\n"
               "    if targetChat is missing value then\n"
               "      error \"Tarvo: no Messages group matches " + escapedTarget + "\"\n"
               "    end if\n"
               "    set targetRecipient to targetChat";
    }
    const std::string service = isSMS ? "SMS" : "iMessage";
    return "    set targetService to 1st service whose service type = " + service + "\n"
           "    set targetRecipient to buddy \"" + escapedTarget + "\" of targetService";
}

std::string MessagesSender::script(std::string_view conversationRef, std::string_view body, bool isSMS,
                                   const std::optional<std::string>& guid) {
    return "tell application \"Messages\"\n" +
           resolveChat(escape(conversationRef), isGroup(conversationRef, guid), isSMS) + "\n" +
           "  send \"" + escape(body) + "\" to targetRecipient\n"
           "end tell";
}

std::string MessagesSender::fileScript(std::string_view conversationRef, std::string_view posixPath, bool isSMS,
                                       const std::optional<std::string>& guid) {
    return "tell application \"Messages\"\n"
           "  set theFile to POSIX file \"" + escape(posixPath) + "\"\n" +
           resolveChat(escape(conversationRef), isGroup(conversationRef, guid), isSMS) + "\n" +
           "  send theFile to targetRecipient\n"
           "end tell";
}

} // namespace tarvo
