#include "TarvoCore/Relay/RelaySendConfirmation.h"

#include <algorithm>
#include <exception>

#include <fmt/format.h>

#include "TarvoBase/OnWorker.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Relay/RelaySendLedger.h"

namespace tarvo {
namespace {

ChatDatabase::DeliveryReadout readAnswering(const RelaySendConfirmation::ReadSends& read,
                                            RelaySendConfirmation::Date at) {
    try {
        return read(at, RelaySendConfirmation::readLimit);
    } catch (const std::exception& error) {
        return ChatDatabase::DeliveryReadout::unobservable(error.what());
    } catch (...) {
        return ChatDatabase::DeliveryReadout::unobservable("the Messages database could not be read");
    }
}

} // namespace

int RelaySendConfirmation::expectedRows(int fileCount, std::string_view body) {
    const int rows = fileCount + (Text::trimmingWhitespaceAndNewlines(body).empty() ? 0 : 1);
    return std::max(rows, 1);
}

RelaySendVerdict RelaySendConfirmation::verdict(const std::vector<ChatDatabase::SendRecord>& rows,
                                                std::string_view conversationRef, int expected) {
    int parts = 0;
    int failedParts = 0;
    bool allSent = true;
    std::vector<std::int64_t> codes;
    for (const ChatDatabase::SendRecord& row : rows) {
        if (!RelaySendLedger::sameConversation(row.chatIdentifier, conversationRef)) continue;
        ++parts;
        allSent = allSent && row.isSent;
        if (row.errorCode == 0) continue;
        ++failedParts;
        codes.push_back(row.errorCode);
    }
    if (failedParts > 0) {
        std::sort(codes.begin(), codes.end());
        codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
        return RelaySendVerdict::Refused{std::move(codes), failedParts, parts};
    }
    if (parts < expected) {
        if (parts == 0) return RelaySendVerdict::NeverWritten{expected};
        return RelaySendVerdict::NotYetSettled{parts, expected};
    }
    if (!allSent) return RelaySendVerdict::NotYetSettled{parts, expected};
    return RelaySendVerdict::Delivered{};
}

std::string RelaySendConfirmation::refusalSentence(const std::vector<std::int64_t>& codes, int failedParts,
                                                   int parts) {
    const std::string codeText = fmt::format("{}", fmt::join(codes, ", "));
    if (parts >= 2 && failedParts < parts) {
        return fmt::format("Messages did not deliver all of this — {} of {} parts is marked Not Delivered there "
                           "(error {}). The rest did go, so check Messages before sending it again.",
                           failedParts, parts, codeText);
    }
    return fmt::format("Messages did not deliver this — it did not go, and it is marked Not Delivered there "
                       "(error {}). Tarvo did not send it, whatever the card said before.",
                       codeText);
}

Task<RelaySendVerdict> RelaySendConfirmation::confirm(std::string conversationRef, Date handedOverAt, int expected,
                                                      ReadSends read) {
    const ReadSends* reader = &read;
    auto readOnce = [reader, handedOverAt] { return readAnswering(*reader, handedOverAt); };
    for (std::size_t attempt = 0;; ++attempt) {
        co_await sleepFor(attemptDelays[attempt]);
        const ChatDatabase::DeliveryReadout readout = co_await onWorker(readOnce);
        if (!readout.isObserved()) co_return RelaySendVerdict::Unobservable{readout.reason()};
        RelaySendVerdict found = verdict(readout.value(), conversationRef, expected);
        const bool lastRead = attempt + 1 == attemptDelays.size();
        // Messages may write its row seconds after it took the message: no row yet is no answer
        // until the last read, or a slow write would be told to the person as not sent.
        const bool settled =
            !found.is<RelaySendVerdict::NotYetSettled>() && !found.is<RelaySendVerdict::NeverWritten>();
        if (settled || lastRead) co_return found;
    }
}

} // namespace tarvo
