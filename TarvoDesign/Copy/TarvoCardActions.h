#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoDesign/Copy/TarvoCardAction.h"

namespace tarvo {

// What a message card offers in each of its states, and what it says when its state changed
// while the user was typing a reply.
struct TarvoCardActions {
    static constexpr std::string_view generalMovedLine =
        "This card moved on while you were typing. What you typed is still here \u2014 press send again.";

    static const std::map<std::string, std::vector<TarvoCardAction>, std::less<>>& byState();
    static const std::map<std::string, std::string, std::less<>>& movedLines();

    // An empty list for a state not in the table.
    static std::vector<TarvoCardAction> actions(std::string_view state);
    // The general line for a state not in the table.
    static std::string movedLine(std::string_view state);
};

} // namespace tarvo
