#pragma once

#include <string>

#include "TarvoBase/Base64.h"

namespace tarvo::testing {

// An access token shaped as the service issues them, around the given payload text. Only the
// payload is ever read.
inline std::string accessTokenWithPayload(const std::string& payload) {
    return Base64::encodeUrl(R"({"alg":"HS256","typ":"JWT"})") + "." + Base64::encodeUrl(payload) + ".c2lnbmF0dXJl";
}

inline std::string accessTokenExpiringAt(double exp) {
    return accessTokenWithPayload(R"({"sub":"device-9","exp":)" + std::to_string(exp) + "}");
}

} // namespace tarvo::testing
