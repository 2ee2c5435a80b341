#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarvo {

// Who this installation is: sent with every request and when pairing.
struct ClientIdentity {
    std::string platform;
    std::int64_t build = 0;
    std::string version;
    std::string deviceName;
    std::optional<std::string> osVersion;

    bool operator==(const ClientIdentity&) const = default;
};

} // namespace tarvo
