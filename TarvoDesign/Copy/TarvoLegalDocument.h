#pragma once

#include <string>

namespace tarvo {

// One document the user accepts, identified by its id.
struct TarvoLegalDocument {
    std::string id;
    std::string title;
    // The sentence the user ticks.
    std::string consent;
    // A path on the product's website, with an optional fragment.
    std::string href;
    bool isRequired = false;

    bool operator==(const TarvoLegalDocument&) const = default;
};

} // namespace tarvo
