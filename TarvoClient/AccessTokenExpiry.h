#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace tarvo {

// The "exp" instant written in an access token's payload; none when the token is not three
// dot-separated parts, the payload is not Base64url of a JSON object, or "exp" is not a number
// between 1970 and 2100 (an instant no service would write, and one the clock could not hold).
// The signature is not looked at.
std::optional<std::chrono::system_clock::time_point> accessTokenExpiry(std::string_view token);

// True when the token's expiry is known and lies strictly more than `margin` after `now`.
bool accessTokenIsUsable(std::string_view token, std::chrono::duration<double> margin,
                         std::chrono::system_clock::time_point now);

} // namespace tarvo
