#include "TarvoCore/WhatsApp/RetryBudget.h"

#include <set>

#include "TarvoCore/WhatsApp/RowPrints.h"

namespace tarvo::WhatsAppWeb {

bool RetryBudget::spend(const std::string& key) { return ++tries[key] <= limit; }

bool RetryBudget::isSpent(const std::string& key) const { return count(key) >= limit; }

bool RetryBudget::hasRunOut(const std::string& key) const { return count(key) > limit; }

std::vector<std::string> RetryBudget::spent() const {
    std::vector<std::string> keys;
    for (const auto& [key, count] : tries) {
        if (count >= limit) keys.push_back(key);
    }
    return keys;
}

void RetryBudget::forget(const std::string& key) { tries.erase(key); }

void RetryBudget::record(const ReadResult& result) {
    for (const auto& print : result.fingerprints) forget(chatKey(print));
    for (const auto& chat : std::set<std::string>(result.heldBackChats.begin(), result.heldBackChats.end())) {
        spend(chat);
    }
}

std::int64_t RetryBudget::count(const std::string& key) const {
    const auto found = tries.find(key);
    return found == tries.end() ? 0 : found->second;
}

} // namespace tarvo::WhatsAppWeb
