#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "TarvoClient/JSONValue.h"
#include "TarvoCore/Operator/MacPermissionMode.h"

namespace tarvo {

// What the service sends with a step: the mode in force and what the user allowed for good.
struct MacPermit {
    // The most folders, and the most apps, kept.
    static constexpr std::size_t maxEntries = 200;

    MacPermissionMode mode = MacPermissionMode::ask;
    // Relative to the home folder, in the form the user sees ("Documents/Work", "iCloud Drive/Notes").
    std::vector<std::string> folders;
    // By name.
    std::vector<std::string> apps;

    // Nothing without an object, for an empty one, or without a "mode" naming a mode. Of
    // "folders" and "apps" only the first `maxEntries` strings count; other elements are skipped.
    static std::optional<MacPermit> from(const std::optional<JSONValue::Object>& permit);

    bool operator==(const MacPermit&) const = default;
};

} // namespace tarvo
