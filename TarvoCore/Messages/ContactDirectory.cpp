#include "TarvoCore/Messages/ContactDirectory.h"

#include <utility>
#include <vector>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

constexpr std::size_t phoneKeyLength = 10;

} // namespace

ContactDirectory::ContactDirectory(std::shared_ptr<ContactStore> store) : store_(std::move(store)) {}

bool ContactDirectory::isAuthorised() const { return store_->authorisationStatus() == ContactStore::authorised; }

std::string ContactDirectory::normalise(std::string_view handle) {
    std::string trimmed = Text::lowercased(Text::trimmingWhitespace(handle));
    if (trimmed.find('@') != std::string::npos) return trimmed;
    const std::vector<std::string> numbers = Text::graphemes(Text::numericCharacters(trimmed));
    const std::size_t first = numbers.size() > phoneKeyLength ? numbers.size() - phoneKeyLength : 0;
    std::string key;
    for (std::size_t i = first; i < numbers.size(); ++i) key += numbers[i];
    return key;
}

std::optional<std::string> ContactDirectory::name(const std::string& handle) {
    const std::string key = normalise(handle);
    if (key.empty()) return std::nullopt;
    {
        std::lock_guard guard(lock_);
        if (auto cached = cache_.find(key); cached != cache_.end()) {
            if (cached->second.empty()) {
                ++unmatched_;
                return std::nullopt;
            }
            ++resolved_;
            return cached->second;
        }
    }
    if (!isAuthorised()) {
        std::lock_guard guard(lock_);
        ++barred_;
        return std::nullopt;
    }
    auto found = lookup(handle);
    std::lock_guard guard(lock_);
    cache_[key] = found.value_or(std::string());
    if (found) ++resolved_;
    else ++unmatched_;
    return found;
}

std::optional<std::string> ContactDirectory::lookup(const std::string& handle) const {
    std::vector<ContactStore::FullName> names;
    try {
        names = handle.find('@') != std::string::npos ? store_->fullNamesMatchingEmailAddress(handle)
                                                       : store_->fullNamesMatchingPhoneNumber(handle);
    } catch (const ContactStore::Failure&) {
        return std::nullopt;
    }
    if (names.empty() || !names.front()) return std::nullopt;
    if (Text::trimmingWhitespace(*names.front()).empty()) return std::nullopt;
    return names.front();
}

Task<void> ContactDirectory::requestAccessIfNeeded() {
    {
        std::lock_guard guard(lock_);
        if (std::exchange(asked_, true)) co_return;
    }
    const ContactStore::AuthorisationStatus status = store_->authorisationStatus();
    const std::optional<std::string> why = status == ContactStore::authorised ? std::nullopt : store_->whyNoAccess();
    if (why) {
        PlainLog::write("tarvo: " + *why + "; sender names will NOT be resolved");
        co_return;
    }
    if (status != ContactStore::notDetermined) {
        PlainLog::write("tarvo: contacts access is " + describe(status) + "; " + "sender names " +
                        (status == ContactStore::authorised ? "will be resolved" : "will NOT be resolved"));
        co_return;
    }
    std::optional<std::string> requestFailure;
    bool granted = false;
    try {
        granted = co_await store_->requestAccess();
    } catch (const ContactStore::Failure& failure) {
        requestFailure = failure.what();
    }
    if (requestFailure) {
        PlainLog::write("tarvo: contacts access could not be requested: " + *requestFailure + ". " +
                        "If the prompt never appeared, the bundle is missing NSContactsUsageDescription");
        co_return;
    }
    PlainLog::write(std::string("tarvo: contacts access ") + (granted ? "granted" : "refused") + " — sender names " +
                    (granted ? "will be resolved from here on" : "stay as raw handles, which is allowed"));
    if (granted) forgetMisses();
}

void ContactDirectory::forgetMisses() {
    std::size_t dropped = 0;
    {
        std::lock_guard guard(lock_);
        dropped = std::erase_if(cache_, [](const auto& entry) { return entry.second.empty(); });
    }
    if (dropped > 0) {
        PlainLog::write("tarvo: contacts access arrived, re-resolving " + std::to_string(dropped) +
                        " handle(s) looked up without it");
    }
}

std::string ContactDirectory::drainCoverage() {
    std::int64_t resolved = 0;
    std::int64_t unmatched = 0;
    std::int64_t barred = 0;
    {
        std::lock_guard guard(lock_);
        resolved = std::exchange(resolved_, 0);
        unmatched = std::exchange(unmatched_, 0);
        barred = std::exchange(barred_, 0);
    }
    const ContactStore::AuthorisationStatus status = store_->authorisationStatus();
    const std::optional<std::string> why = status == ContactStore::authorised ? std::nullopt : store_->whyNoAccess();
    const std::string access = why ? "contacts: " + *why : "contacts access: " + describe(status);
    if (resolved + unmatched + barred == 0) return "no sender to name";
    return "named " + std::to_string(resolved) + ", no contact for " + std::to_string(unmatched) + ", " +
           std::to_string(barred) + " not looked up (" + access + ")";
}

std::string ContactDirectory::describe(ContactStore::AuthorisationStatus status) {
    switch (status) {
    case ContactStore::notDetermined: return "not yet asked";
    case ContactStore::restricted: return "restricted by policy";
    case ContactStore::denied: return "denied";
    case ContactStore::authorised: return "authorised";
    default: return "unknown (" + std::to_string(status) + ")";
    }
}

} // namespace tarvo
