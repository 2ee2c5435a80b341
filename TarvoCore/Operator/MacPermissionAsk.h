#pragma once

#include <string_view>

namespace tarvo {

// What a held step asks the user to allow for good: the folder it reads, or the app it acts in.
enum class MacPermissionAsk { folder, app };

// "folder" or "app".
constexpr std::string_view rawValue(MacPermissionAsk ask) { return ask == MacPermissionAsk::folder ? "folder" : "app"; }

} // namespace tarvo
