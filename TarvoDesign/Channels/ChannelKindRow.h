#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tarvo {

// One channel kind with every fact the catalogue tables give about it, so the label, the facts,
// the reach and the attachments of a kind come from one row and cannot disagree.
struct ChannelKindRow {
    std::string_view kind;
    std::string_view label;
    bool isDevice;
    std::string_view onPhone;
    std::string_view onMac;
    std::string_view onExtension;
    std::string_view onAndroid;
    bool canAttach;
    std::int64_t maxBytes;
    // Empty where files can be attached.
    std::string_view cannotLine;

    // The 21 kinds of the catalogue, in its order.
    static const std::array<ChannelKindRow, 21>& all();
};

} // namespace tarvo
