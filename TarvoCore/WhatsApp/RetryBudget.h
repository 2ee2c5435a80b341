#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "TarvoCore/WhatsApp/ReadResult.h"

namespace tarvo::WhatsAppWeb {

// Tries counted per key against a limit, so that something that keeps failing is given up on
// rather than tried for ever: chats whose rows stay unreadable (keyed by chat key) and messages the
// service keeps refusing (keyed by message id). Kept in memory only.
struct RetryBudget {
    static constexpr std::int64_t defaultLimit = 10;

    std::int64_t limit;
    // Absent means no try yet.
    std::map<std::string, std::int64_t> tries{};

    explicit RetryBudget(std::int64_t limit) : limit(limit) {}

    // Counts one more try; true while the count is still within the limit.
    bool spend(const std::string& key);
    bool isSpent(const std::string& key) const;
    bool hasRunOut(const std::string& key) const;
    // The keys whose tries reached the limit, in ascending byte order.
    std::vector<std::string> spent() const;
    void forget(const std::string& key);

    // Books one capture pass on the chats' budget: a chat whose row could be fingerprinted starts
    // over, then every chat held back as unreadable counts one more try (so a chat that is both
    // ends at one).
    void record(const ReadResult& result);

    bool operator==(const RetryBudget&) const = default;

private:
    std::int64_t count(const std::string& key) const;
};

} // namespace tarvo::WhatsAppWeb
