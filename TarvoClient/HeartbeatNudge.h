#pragma once

#include <string>

#include "TarvoBase/Json.h"

namespace tarvo {

// A notice the service asks the companion to show as a user notification.
struct HeartbeatNudge {
    std::string turnId;
    std::string title;
    std::string body;

    // Throws `JsonReadError`.
    static HeartbeatNudge fromJson(const Json& json, std::string path = {});

    bool operator==(const HeartbeatNudge&) const = default;
};

} // namespace tarvo
