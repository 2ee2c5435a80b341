#pragma once

#include <optional>
#include <string>

#include "TarvoBase/Json.h"

namespace tarvo {

// The service's answer to an operator step result.
struct OperatorAccepted {
    std::optional<bool> accepted;

    // Throws `JsonReadError`.
    static OperatorAccepted fromJson(const Json& json, std::string path = {});

    bool operator==(const OperatorAccepted&) const = default;
};

} // namespace tarvo
