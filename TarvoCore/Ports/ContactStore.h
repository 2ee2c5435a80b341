#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "TarvoBase/Task.h"

namespace tarvo {

// The user's address book, as far as the companion may read it: whether it may, and the names
// of the contacts that have an e-mail address or a phone number.
class ContactStore {
public:
    // Authorisation statuses; only `authorised` lets names be read. Other platforms may answer
    // values beyond these four.
    using AuthorisationStatus = int;
    static constexpr AuthorisationStatus notDetermined = 0;
    static constexpr AuthorisationStatus restricted = 1;
    static constexpr AuthorisationStatus denied = 2;
    static constexpr AuthorisationStatus authorised = 3;

    // A query or an access request that could not be made; the text is the store's own account.
    class Failure : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // A contact's full name as the store formats it; nothing when the contact has no name.
    using FullName = std::optional<std::string>;

    virtual ~ContactStore() = default;

    // Callable from any thread.
    virtual AuthorisationStatus authorisationStatus() const = 0;
    // Why names cannot be read, where the store can say better than its status (a file that is
    // not there, for one); nothing otherwise.
    virtual std::optional<std::string> whyNoAccess() const { return std::nullopt; }
    // Asks the user for access; true when it was granted. Throws `Failure`.
    virtual Task<bool> requestAccess() = 0;
    // The matching contacts' full names, the store's best match first. Block their caller;
    // callable from any thread; throw `Failure`. The address or number comes as the caller has
    // it: the store tolerates surrounding blanks, letter case and phone number punctuation.
    virtual std::vector<FullName> fullNamesMatchingEmailAddress(const std::string& address) const = 0;
    virtual std::vector<FullName> fullNamesMatchingPhoneNumber(const std::string& number) const = 0;
};

} // namespace tarvo
