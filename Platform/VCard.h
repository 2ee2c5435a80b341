#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The few properties of one vCard (versions 3 and 4) that name a person and tell how to reach
// them. Everything else on the card is skipped.
struct VCard {
    // The first FN, with its text escapes undone, as one line of UTF-8 text without control
    // characters; nothing when the card has none.
    std::optional<std::string> fullName;
    std::vector<std::string> emailAddresses;
    std::vector<std::string> phoneNumbers;

    // Every card between BEGIN:VCARD and END:VCARD, in file order. Folded lines are joined
    // first; lines it cannot read are skipped, so one odd line never loses a card.
    static std::vector<VCard> parse(std::string_view text);

    bool operator==(const VCard&) const = default;
};

} // namespace tarvo
