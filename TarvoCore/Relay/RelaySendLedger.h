#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/Clock.h"

namespace tarvo {

// What this computer has just sent on the service's behalf, so that a capture pass reading the
// same message back can tell the service it was sent by Tarvo rather than typed by the user.
// Kept in memory only; every operation holds the ledger's own lock for its whole run.
class RelaySendLedger {
public:
    using Date = std::chrono::system_clock::time_point;
    using Seconds = std::chrono::duration<double>;

    RelaySendLedger(Seconds window, std::shared_ptr<const Clock> clock);

    RelaySendLedger(const RelaySendLedger&) = delete;
    RelaySendLedger& operator=(const RelaySendLedger&) = delete;

    // One part handed to a channel: its words, or "" for a file. Prunes relative to `at`.
    void record(std::string conversationRef, std::string body, Date at);

    // Whether the message read back is one of the recorded parts; the first (oldest) entry that
    // matches is used up. A message claimed once is claimed again when it is handed over again
    // (its hand-over to the service failed and is retried), for as long as the window lasts,
    // without using up another entry. An empty `messageId` is never remembered.
    bool claim(std::string_view conversationRef, std::string_view body, Date at, std::string_view messageId);

    // The entries not older than the window by the clock; removes nothing.
    std::size_t pending() const;

    // Case aside, whether two references name one conversation. Two phone numbers, however
    // written, also match when the digits of one end with the digits (seven or more) of the other.
    static bool sameConversation(std::string_view a, std::string_view b);

private:
    struct Entry {
        std::string conversationRef;
        std::string body;
        Date at;
    };

    static std::string normalizedBody(std::string_view body);
    static bool looksLikePhoneNumber(std::string_view reference);
    void prune(Date now);

    const Date::duration window_;
    const std::shared_ptr<const Clock> clock_;
    mutable std::mutex lock_;
    std::vector<Entry> entries_;
    // Message id to the time it was claimed.
    std::map<std::string, Date, std::less<>> claimed_;
};

} // namespace tarvo
