#include "TarvoCore/Messages/MessageEvents/MessageEventsPass.h"

#include <algorithm>
#include <exception>

#include <fmt/format.h>

#include "TarvoBase/OnWorker.h"
#include "TarvoCore/Companion/TarvoLog.h"
#include "TarvoCore/Messages/MessageEvents/MessageEvents.h"
#include "TarvoBase/ErrorText.h"

namespace tarvo {
namespace {

using Summary = MessageEventsPass::Summary;

std::string describe(const std::exception_ptr& error) { return errorText(error, "an unknown error"); }

// What the service accepted of one half of a pass, in order, and why it refused the rest.
template <class T>
struct Delivery {
    std::vector<T> accepted;
    std::vector<std::string> refusals;
};

// One batch at a time, never two at once; a refused batch does not stop the ones after it.
template <class T>
Task<Delivery<T>> deliver(std::vector<std::pair<std::string, std::vector<T>>> groups, MessageEventsPass::Post post) {
    Delivery<T> delivery;
    for (const auto& group : groups) {
        for (const std::vector<T>& batch : MessageEvents::batches(group.second, MessageEvents::batchLimit)) {
            std::vector<Json> events;
            events.reserve(batch.size());
            for (const T& element : batch) events.push_back(MessageEvents::payload(element));
            try {
                co_await post(group.first, std::move(events));
                delivery.accepted.insert(delivery.accepted.end(), batch.begin(), batch.end());
            } catch (...) {
                delivery.refusals.push_back(describe(std::current_exception()));
            }
        }
    }
    co_return delivery;
}

template <class T>
void count(const Delivery<T>& delivery, int& sent, Summary& summary) {
    sent += static_cast<int>(delivery.accepted.size());
    summary.batchesFailed += static_cast<int>(delivery.refusals.size());
    summary.batchFailures.insert(summary.batchFailures.end(), delivery.refusals.begin(), delivery.refusals.end());
}

// The observed value of a readout; the reason of an unobservable one goes to the summary.
template <class T>
std::optional<T> observed(const Readout<T>& readout, Summary& summary) {
    if (readout.isObserved()) return readout.value();
    if (!readout.reason().empty()) summary.unobservable.push_back(readout.reason());
    return std::nullopt;
}

std::int64_t appleNanoseconds(MessageEventsPass::Date date) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(date - ChatDatabase::appleEpoch).count();
}

} // namespace

bool MessageEventsPass::Summary::quiet() const {
    return reactionsSent + receiptsSent + batchesFailed + skippedTapbacks + withoutChannel == 0 &&
           unobservable.empty() && readFailures.empty();
}

std::string MessageEventsPass::Summary::line() const {
    return fmt::format("message events — {} reaction(s), {} receipt(s) sent, {} batch(es) failed, {} tapback(s) "
                       "unreadable, {} on a channel not connected",
                       reactionsSent, receiptsSent, batchesFailed, skippedTapbacks, withoutChannel);
}

template <class T>
MessageEventsPass::Groups<T> MessageEventsPass::route(const std::vector<T>& elements, const Channels& channels,
                                                      Summary& summary) {
    std::vector<T> imessage;
    std::vector<T> sms;
    for (const T& element : elements) {
        if (!element.isSMS) {
            imessage.push_back(element);
        } else if (channels.sms) {
            sms.push_back(element);
        } else {
            ++summary.withoutChannel;
        }
    }
    Groups<T> groups;
    if (!imessage.empty()) groups.emplace_back(channels.imessage, std::move(imessage));
    if (channels.sms && !sms.empty()) groups.emplace_back(*channels.sms, std::move(sms));
    return groups;
}

Task<MessageEventsPass::Summary> MessageEventsPass::run(ChatDatabase database, Channels channels, Date ceiling,
                                                        Date now, Post post) {
    Summary summary;
    const Date sentSince = now - std::chrono::duration_cast<Date::duration>(window_);

    const std::int64_t afterRowId = tapbackCursor_;
    auto readTapbacks = [database, afterRowId, sentSince] {
        return database.tapbacks(afterRowId, sentSince, tapbackLimit);
    };
    std::optional<ChatDatabase::TapbackBatch> tapbacks;
    try {
        const auto readout = co_await onWorker(readTapbacks);
        tapbacks = observed(readout, summary);
    } catch (...) {
        summary.readFailures.push_back("tapbacks: " + describe(std::current_exception()));
    }
    if (tapbacks) {
        summary.skippedTapbacks = tapbacks->skipped;
        const MessageEvents::Plan plan = MessageEvents::plan(tapbacks->tapbacks, tapbacks->newestRowId, ceiling);
        auto delivery = co_await deliver(route(plan.send, channels, summary), post);
        count(delivery, summary.reactionsSent, summary);
        // After a refusal the same reactions are read and told again, the accepted ones too:
        // telling one twice is harmless, losing one is not.
        if (delivery.refusals.empty()) tapbackCursor_ = std::max(tapbackCursor_, plan.advanceTo);
    }

    // After a full reading the next goes on past its last row; after one that reached the end,
    // from the overlap behind the cursor again. A window of already told receipts busier than
    // one reading can then never hold the receipts after it back.
    const ReceiptPosition from = receiptsPastRow_.value_or(ReceiptPosition{ledger_.readFrom(), wholeChangeTime});
    auto readReceipts = [database, from, sentSince] {
        return database.receipts(from.changedAt, sentSince, receiptLimit, from.rowId);
    };
    std::optional<std::vector<ChatDatabase::Receipt>> receipts;
    try {
        const auto readout = co_await onWorker(readReceipts);
        receipts = observed(readout, summary);
    } catch (...) {
        summary.readFailures.push_back("receipts: " + describe(std::current_exception()));
    }
    if (!receipts) co_return summary;
    auto delivery = co_await deliver(route(ledger_.fresh(*receipts), channels, summary), post);
    ledger_.record(delivery.accepted);
    count(delivery, summary.receiptsSent, summary);
    if (delivery.refusals.empty()) {
        if (!receipts->empty()) ledger_.advance(receipts->back().changedAt);
        receiptsPastRow_ = std::nullopt;
        if (std::ssize(*receipts) >= receiptLimit) {
            receiptsPastRow_ = ReceiptPosition{receipts->back().changedAt, receipts->back().rowId};
        }
    }
    ledger_.forget(std::min(ledger_.readFrom(), appleNanoseconds(sentSince)));
    co_return summary;
}

} // namespace tarvo

namespace tarvo::TarvoLog {
namespace {

void eachLine(LogLevel level, std::string_view format, const std::vector<std::string>& texts, bool isPublic) {
    for (const std::string& text : texts) {
        capture().log(level, format, [&] {
            return std::vector<LogArgument>{isPublic ? LogArgument::publicText(text) : LogArgument::privateText(text)};
        });
    }
}

} // namespace

void messageEvents(const MessageEventsPass::Summary& summary) {
    const LogLevel level = summary.batchesFailed > 0 ? LogLevel::error : LogLevel::standard;
    capture().log(level, "%{public}s",
                  [&] { return std::vector<LogArgument>{LogArgument::publicText(summary.line())}; });
    eachLine(LogLevel::standard, "message events unobservable — %{public}s", summary.unobservable, true);
    eachLine(LogLevel::error, "message events read failed — %{private}s", summary.readFailures, false);
    eachLine(LogLevel::error, "message events batch refused — %{private}s", summary.batchFailures, false);
}

} // namespace tarvo::TarvoLog
