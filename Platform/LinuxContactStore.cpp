#include "Platform/LinuxContactStore.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <unistd.h>

#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/Text.h"
#include "TarvoBase/XdgBaseFolder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t nationalDigits = 10;

std::string comparableAddress(std::string_view address) {
    return Text::lowercased(Text::trimmingWhitespaceAndNewlines(address));
}

bool sameNumber(const std::string& digits, const std::string& other) {
    if (digits.empty() || other.empty()) return false;
    if (digits == other) return true;
    return digits.size() >= nationalDigits && other.size() >= nationalDigits &&
           std::equal(digits.end() - nationalDigits, digits.end(), other.end() - nationalDigits);
}

template <class Matches>
std::vector<ContactStore::FullName> namesOfCardsWhere(const std::vector<VCard>& cards, Matches matches) {
    std::vector<ContactStore::FullName> names;
    for (const VCard& card : cards) {
        if (matches(card)) names.push_back(card.fullName);
    }
    return names;
}

} // namespace

LinuxContactStore::LinuxContactStore(fs::path file) : file_(std::move(file)) {}

std::optional<fs::path> LinuxContactStore::defaultFile(const char* xdgDataHome, const char* home) {
    if (auto data = XdgBaseFolder::resolve(xdgDataHome, home, fs::path(".local") / "share")) {
        return *data / "tarvo" / "contacts.vcf";
    }
    return std::nullopt;
}

ContactStore::AuthorisationStatus LinuxContactStore::authorisationStatus() const {
    std::error_code error;
    const bool readable = fs::is_regular_file(file_, error) && ::access(file_.c_str(), R_OK) == 0;
    return readable ? authorised : denied;
}

std::optional<std::string> LinuxContactStore::whyNoAccess() const {
    if (authorisationStatus() == authorised) return std::nullopt;
    std::error_code error;
    const auto found = fs::status(file_, error);
    if (file_.empty() || found.type() == fs::file_type::not_found) return "no contacts file at " + file_.string();
    if (found.type() != fs::file_type::regular) return "the contacts file " + file_.string() + " is not a file";
    const int refused = ::access(file_.c_str(), R_OK) == 0 ? 0 : errno;
    return "the contacts file " + file_.string() + " cannot be read: " + std::strerror(refused);
}

Task<bool> LinuxContactStore::requestAccess() { co_return authorisationStatus() == authorised; }

std::vector<VCard> LinuxContactStore::cards() const {
    try {
        return VCard::parse(AtomicFile::read(file_));
    } catch (const std::system_error& failure) {
        throw Failure("could not read " + file_.string() + ": " + failure.code().message());
    }
}

std::vector<ContactStore::FullName> LinuxContactStore::fullNamesMatchingEmailAddress(const std::string& address) const {
    const std::string wanted = comparableAddress(address);
    if (wanted.empty()) return {};
    return namesOfCardsWhere(cards(), [&](const VCard& card) {
        return std::any_of(card.emailAddresses.begin(), card.emailAddresses.end(),
                           [&](const std::string& candidate) { return comparableAddress(candidate) == wanted; });
    });
}

std::vector<ContactStore::FullName> LinuxContactStore::fullNamesMatchingPhoneNumber(const std::string& number) const {
    const std::string wanted = Text::decimalDigits(number);
    if (wanted.empty()) return {};
    return namesOfCardsWhere(cards(), [&](const VCard& card) {
        return std::any_of(card.phoneNumbers.begin(), card.phoneNumbers.end(),
                           [&](const std::string& candidate) { return sameNumber(Text::decimalDigits(candidate), wanted); });
    });
}

} // namespace tarvo
