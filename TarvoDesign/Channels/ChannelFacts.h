#pragma once

#include <string>

namespace tarvo {

struct ChannelFacts {
    std::string label;
    // Served through one of the user's own devices or browser, not through a connector.
    bool isDevice = false;
    // Counts against the account's channel slots.
    bool consumesSlot = false;

    bool operator==(const ChannelFacts&) const = default;
};

} // namespace tarvo
