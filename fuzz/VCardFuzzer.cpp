#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "Platform/VCard.h"
#include "TarvoBase/Text.h"

// Any bytes as the user's exported address book. A name read from it is one line of UTF-8 text
// without control characters (C0, DEL, C1) and without blanks at either end: it is shown to the
// user and sent to the service as a sender's name.
namespace {

using tarvo::fuzz::require;

bool isPlainLine(const std::string& name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7F) return false;
        if (byte == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) <= 0x9F) return false;
    }
    return tarvo::Text::isWellFormedUtf8(name) && tarvo::Text::trimmingWhitespaceAndNewlines(name) == name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const tarvo::VCard& card : tarvo::VCard::parse(tarvo::fuzz::text(data, size))) {
        if (card.fullName) require(isPlainLine(*card.fullName));
    }
    return 0;
}
