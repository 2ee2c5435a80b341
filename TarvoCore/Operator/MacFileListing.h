#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "TarvoBase/Json.h"
#include "TarvoCore/Operator/MacFileFolder.h"

namespace tarvo {

// One listed file as the service sees it: by a reference minted for the run, never by its path.
struct MacFileListing {
    std::string ref;
    // The last path component.
    std::string name;
    MacFileFolder folder = MacFileFolder::other;
    std::int64_t bytes = 0;
    std::chrono::system_clock::time_point modifiedAt;
    // In iCloud Drive and not downloaded.
    bool cloudOnly = false;
    // The content type, or the lower-cased extension.
    std::optional<std::string> type;
    // The folder as shown to the user, relative to the home folder.
    std::optional<std::string> dir;

    // The name cut to 255 units and the type to 120; negative bytes sent as 0; an empty type and
    // a folder that is not well formed left out.
    Json wire() const;

    bool operator==(const MacFileListing&) const = default;
};

} // namespace tarvo
