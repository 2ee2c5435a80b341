#pragma once

#include <atomic>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TarvoCore/Ports/ContactStore.h"

namespace tarvo::testing {

// An address book scripted by the test: answers per handle exactly as asked, and a record of
// every question put to it.
class MemoryContactStore final : public ContactStore {
public:
    std::atomic<AuthorisationStatus> status{notDetermined};
    // The answer to an access request (which also sets `status`); nothing makes it fail.
    std::optional<bool> grants = true;
    std::map<std::string, std::vector<FullName>> byEmailAddress;
    std::map<std::string, std::vector<FullName>> byPhoneNumber;
    std::set<std::string> failingQueries;

    int accessRequests = 0;
    mutable std::vector<std::string> emailQueries;
    mutable std::vector<std::string> phoneQueries;

    AuthorisationStatus authorisationStatus() const override { return status; }

    Task<bool> requestAccess() override {
        ++accessRequests;
        if (!grants) throw Failure("the request was not delivered");
        status = *grants ? authorised : denied;
        co_return *grants;
    }

    std::vector<FullName> fullNamesMatchingEmailAddress(const std::string& address) const override {
        emailQueries.push_back(address);
        return answer(byEmailAddress, address);
    }

    std::vector<FullName> fullNamesMatchingPhoneNumber(const std::string& number) const override {
        phoneQueries.push_back(number);
        return answer(byPhoneNumber, number);
    }

private:
    std::vector<FullName> answer(const std::map<std::string, std::vector<FullName>>& names,
                                 const std::string& handle) const {
        if (failingQueries.contains(handle)) throw Failure("the address book is locked");
        auto found = names.find(handle);
        return found == names.end() ? std::vector<FullName>{} : found->second;
    }
};

} // namespace tarvo::testing
