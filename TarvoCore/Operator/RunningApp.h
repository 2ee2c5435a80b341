#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

// One running application as the app-listing port sees it.
struct RunningApp {
    // Localised.
    std::string name;
    std::optional<std::string> bundleId;
    std::int32_t pid = 0;
    bool frontmost = false;
    bool hidden = false;
    // Of its on-screen windows.
    std::vector<std::string> windowTitles;

    bool operator==(const RunningApp&) const = default;
};

} // namespace tarvo
