#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoBase/Task.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"
#include "TarvoCore/Messages/MessageEvents/ReceiptLedger.h"

namespace tarvo {

// Tells the service the reactions and receipts that are new since the last pass. Lives as long
// as the companion; one pass at a time, from the main loop. Nothing is kept across restarts: a
// fresh pass looks back over its window and may tell the service what it heard before.
class MessageEventsPass final {
public:
    using Date = std::chrono::system_clock::time_point;
    using Seconds = std::chrono::duration<double>;

    static constexpr std::int64_t receiptOverlap = 300000000000;
    static constexpr int tapbackLimit = 500;
    static constexpr int receiptLimit = 2000;

    struct Channels {
        std::string imessage;
        // Absent while the SMS channel is not connected.
        std::optional<std::string> sms;
    };

    struct Summary {
        int reactionsSent = 0;
        int receiptsSent = 0;
        int batchesFailed = 0;
        int skippedTapbacks = 0;
        int withoutChannel = 0;
        std::vector<std::string> unobservable;
        std::vector<std::string> readFailures;
        std::vector<std::string> batchFailures;

        // Nothing worth a log line happened.
        bool quiet() const;
        std::string line() const;

        bool operator==(const Summary&) const = default;
    };

    // Sends one batch of events on a channel. A normal return means the service accepted the
    // whole batch; a throw, that it did not.
    using Post = std::function<Task<void>(std::string channelId, std::vector<Json> events)>;

    explicit MessageEventsPass(Seconds window) : ledger_(receiptOverlap), window_(window) {}

    // Reactions dated after `ceiling` wait for a later pass. Never throws: every failure comes
    // back in the summary, and a half with a failure does not move its cursor.
    Task<Summary> run(ChatDatabase database, Channels channels, Date ceiling, Date now, Post post);

    std::int64_t tapbackCursor() const { return tapbackCursor_; }
    const ReceiptLedger& ledger() const { return ledger_; }
    Seconds window() const { return window_; }

private:
    template <class T>
    using Groups = std::vector<std::pair<std::string, std::vector<T>>>;

    // Splits `elements` by channel, iMessage first; SMS elements without an SMS channel are
    // counted in the summary and dropped.
    template <class T>
    static Groups<T> route(const std::vector<T>& elements, const Channels& channels, Summary& summary);

    // A receipt's place in reading order.
    struct ReceiptPosition {
        std::int64_t changedAt = 0;
        std::int64_t rowId = 0;
    };
    // Past every row of its change time.
    static constexpr std::int64_t wholeChangeTime = std::numeric_limits<std::int64_t>::max();

    std::int64_t tapbackCursor_ = 0;
    ReceiptLedger ledger_;
    // The last receipt of a reading that came back full, which the next reading goes on past.
    std::optional<ReceiptPosition> receiptsPastRow_;
    Seconds window_;
};

} // namespace tarvo

namespace tarvo::TarvoLog {

// The summary's line, then one line per unobservable reading, read failure and refused batch.
void messageEvents(const MessageEventsPass::Summary& summary);

} // namespace tarvo::TarvoLog
