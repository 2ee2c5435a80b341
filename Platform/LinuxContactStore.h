#pragma once

#include <filesystem>
#include <optional>

#include "Platform/VCard.h"
#include "TarvoCore/Ports/ContactStore.h"

namespace tarvo {

// The user's contacts as one vCard file that the user exports from their address book. The
// companion may read them exactly when the file is readable; there is no one to ask. The file
// is read afresh for every query, so an export made while the companion runs is seen at once.
class LinuxContactStore final : public ContactStore {
public:
    explicit LinuxContactStore(std::filesystem::path file);

    // "$XDG_DATA_HOME/tarvo/contacts.vcf", or "$HOME/.local/share/tarvo/contacts.vcf" when that
    // variable is unset, empty or not an absolute path; nothing when neither gives a folder.
    static std::optional<std::filesystem::path> defaultFile(const char* xdgDataHome, const char* home);

    AuthorisationStatus authorisationStatus() const override;
    std::optional<std::string> whyNoAccess() const override;
    Task<bool> requestAccess() override;
    std::vector<FullName> fullNamesMatchingEmailAddress(const std::string& address) const override;
    // Numbers match when their digits agree, whatever the script of the digits; numbers of ten
    // digits or more match on their last ten, so a country code or trunk prefix may differ.
    std::vector<FullName> fullNamesMatchingPhoneNumber(const std::string& number) const override;

private:
    std::vector<VCard> cards() const;

    std::filesystem::path file_;
};

} // namespace tarvo
