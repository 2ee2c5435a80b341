#include "TarvoCore/Relay/RelaySendLedger.h"

#include <algorithm>
#include <utility>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

// A channel may stamp the message it read back up to this long before the part was recorded.
constexpr std::chrono::seconds earlierReadBack{1};

// Fewer digits than this say too little to tie two references together.
constexpr std::size_t fewestMatchingDigits = 7;

bool isPhonePunctuation(std::string_view character) {
    return character == "+" || character == "-" || character == "(" || character == ")" || character == "." ||
           Text::trimmingWhitespace(character).empty();
}

bool endsWith(const std::vector<std::string>& longer, const std::vector<std::string>& shorter) {
    return shorter.size() <= longer.size() && std::equal(shorter.rbegin(), shorter.rend(), longer.rbegin());
}

} // namespace

RelaySendLedger::RelaySendLedger(Seconds window, std::shared_ptr<const Clock> clock)
    : window_(std::chrono::duration_cast<Date::duration>(window)), clock_(std::move(clock)) {}

void RelaySendLedger::record(std::string conversationRef, std::string body, Date at) {
    std::lock_guard guard(lock_);
    prune(at);
    entries_.push_back({std::move(conversationRef), std::move(body), at});
}

bool RelaySendLedger::claim(std::string_view conversationRef, std::string_view body, Date at,
                            std::string_view messageId) {
    std::lock_guard guard(lock_);
    const Date now = clock_->date();
    prune(now);
    if (!messageId.empty() && claimed_.contains(messageId)) return true;
    const std::string wanted = normalizedBody(body);
    const auto match = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
        return normalizedBody(entry.body) == wanted && sameConversation(entry.conversationRef, conversationRef) &&
               at >= entry.at - earlierReadBack;
    });
    if (match == entries_.end()) return false;
    entries_.erase(match);
    if (!messageId.empty()) claimed_.emplace(messageId, now);
    return true;
}

std::size_t RelaySendLedger::pending() const {
    std::lock_guard guard(lock_);
    const Date now = clock_->date();
    return static_cast<std::size_t>(
        std::count_if(entries_.begin(), entries_.end(), [&](const Entry& entry) { return now - entry.at <= window_; }));
}

bool RelaySendLedger::sameConversation(std::string_view a, std::string_view b) {
    if (Text::lowercased(a) == Text::lowercased(b)) return true;
    if (!looksLikePhoneNumber(a) || !looksLikePhoneNumber(b)) return false;
    const std::vector<std::string> digitsA = Text::graphemes(Text::numericCharacters(a));
    const std::vector<std::string> digitsB = Text::graphemes(Text::numericCharacters(b));
    if (digitsA.size() < fewestMatchingDigits || digitsB.size() < fewestMatchingDigits) return false;
    return endsWith(digitsA, digitsB) || endsWith(digitsB, digitsA);
}

// E-mail addresses and chat ids can hold long runs of digits too; only phone numbers are
// compared by their digits.
bool RelaySendLedger::looksLikePhoneNumber(std::string_view reference) {
    const std::vector<std::string> characters = Text::graphemes(reference);
    return std::all_of(characters.begin(), characters.end(), [](const std::string& character) {
        return Text::isNumericCharacter(character) || isPhonePunctuation(character);
    });
}

std::string RelaySendLedger::normalizedBody(std::string_view body) {
    std::string unified;
    unified.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\r') {
            unified += body[i];
            continue;
        }
        unified += '\n';
        if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
    }
    return Text::nfc(Text::trimmingWhitespaceAndNewlines(unified));
}

void RelaySendLedger::prune(Date now) {
    std::erase_if(entries_, [&](const Entry& entry) { return now - entry.at > window_; });
    std::erase_if(claimed_, [&](const auto& claim) { return now - claim.second > window_; });
}

} // namespace tarvo
