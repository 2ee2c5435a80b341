#pragma once

#include <optional>
#include <string>

namespace tarvo {

// One row of the settings screen's channel list, identified by its id.
struct SettingsChannelRow {
    std::string id;
    std::string label;
    bool free = false;
    bool device = false;
    bool connector = false;
    bool multi = false;
    // How a device channel is connected.
    std::optional<std::string> via;
    std::string kind;
    std::optional<std::string> calendarProvider;
    // The web domain of the channel's own service, which names the mark shown for it.
    std::optional<std::string> mark;
    bool offeredOnly = false;

    bool operator==(const SettingsChannelRow&) const = default;
};

} // namespace tarvo
