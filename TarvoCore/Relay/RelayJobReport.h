#pragma once

#include <optional>
#include <string>
#include <utility>

namespace tarvo {

// The outcome of one relay job as the service hears it: sent, or failed with the sentence shown
// on the user's card.
struct RelayJobReport {
    bool ok = false;
    std::optional<std::string> failureReason;

    static RelayJobReport sent() { return {true, std::nullopt}; }
    static RelayJobReport failed(std::string reason) { return {false, std::move(reason)}; }

    bool operator==(const RelayJobReport&) const = default;
};

} // namespace tarvo
