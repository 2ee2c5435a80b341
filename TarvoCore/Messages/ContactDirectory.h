#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoBase/Task.h"
#include "TarvoCore/Ports/ContactStore.h"

namespace tarvo {

// Turns the handle of a Messages row (a phone number or an e-mail address) into the name the
// user's contacts give it, so that captured messages carry a sender name. Every answer looked
// up, names and misses alike, is remembered for the life of the process; without access to the
// contacts nothing is remembered, so the handles are looked up once access exists. One
// instance for the whole process, used from any thread.
class ContactDirectory {
public:
    explicit ContactDirectory(std::shared_ptr<ContactStore> store);

    ContactDirectory(const ContactDirectory&) = delete;
    ContactDirectory& operator=(const ContactDirectory&) = delete;

    bool isAuthorised() const;
    // Asks for access at most once per directory, whatever the outcome; logs what it found.
    Task<void> requestAccessIfNeeded();
    std::optional<std::string> name(const std::string& handle);
    // The line about sender naming since the last drain, for the capture pass's own log line;
    // starts the counts afresh.
    std::string drainCoverage();

    // The cache key: an address trimmed and lower-cased, or the last ten numbers of a phone
    // number, so the same number with and without its country code shares one key.
    static std::string normalise(std::string_view handle);

private:
    static std::string describe(ContactStore::AuthorisationStatus status);
    void forgetMisses();
    std::optional<std::string> lookup(const std::string& handle) const;

    std::shared_ptr<ContactStore> store_;
    std::mutex lock_;
    // The empty name marks a handle looked up without a match.
    std::map<std::string, std::string> cache_;
    bool asked_ = false;
    std::int64_t resolved_ = 0;
    std::int64_t unmatched_ = 0;
    std::int64_t barred_ = 0;
};

} // namespace tarvo
