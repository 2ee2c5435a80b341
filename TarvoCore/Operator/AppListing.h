#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/RunningApp.h"

namespace tarvo {

// The apps running on this computer, as the operator sees them. Never fails: with nothing to
// give it answers an empty list or none.
class AppListing {
public:
    virtual ~AppListing() = default;

    // The regular apps running now, each with the titles of its windows.
    virtual Task<std::vector<RunningApp>> runningApps() = 0;
    // The process id of the app that was in front before the companion itself came forward. A
    // lister that does not track it answers none.
    virtual Task<std::optional<std::int32_t>> frontmostBeforeTarvo();
};

inline Task<std::optional<std::int32_t>> AppListing::frontmostBeforeTarvo() { co_return std::nullopt; }

} // namespace tarvo
