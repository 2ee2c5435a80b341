#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoClient/HeartbeatNudge.h"

namespace tarvo {

// The service's answer to a heartbeat.
struct HeartbeatResponse {
    std::vector<std::string> channels;
    std::int64_t waitingJobs = 0;
    std::optional<std::int64_t> needsYou;
    std::optional<std::int64_t> followUpCount;
    // Channel kind to the account's channel id.
    std::optional<std::map<std::string, std::string>> channelIds;
    // Channel kinds for which the account has no channel at all.
    std::optional<std::vector<std::string>> unmatched;
    std::optional<HeartbeatNudge> nudge;
    std::optional<std::string> macPermissionMode;

    // Throws `JsonReadError`.
    static HeartbeatResponse fromJson(const Json& json, std::string path = {});

    bool operator==(const HeartbeatResponse&) const = default;
};

} // namespace tarvo
