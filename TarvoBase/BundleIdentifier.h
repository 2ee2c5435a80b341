#pragma once

#include <string_view>

namespace tarvo {

// The application's identifier: the subsystem of its named log lines and the root of the
// identifiers it gives to the system.
inline constexpr std::string_view bundleIdentifier = "com.tarvo.companion";

} // namespace tarvo
