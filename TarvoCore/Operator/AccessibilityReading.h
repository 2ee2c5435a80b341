#pragma once

#include <cstddef>
#include <cstdint>

#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/AXSnapshot.h"
#include "TarvoCore/Operator/RunningApp.h"

namespace tarvo {

// The accessibility tree of an app's front window, read as text.
class AccessibilityReading {
public:
    virtual ~AccessibilityReading() = default;

    // Element ids of `generation`, text within `budget` UTF-16 units (`AXSnapshot::serialize`).
    // Throws `OperatorPortFailure` when it has a sentence for the user, any other error otherwise.
    virtual Task<AXSnapshot> snapshot(RunningApp of, std::int64_t generation, std::size_t budget) = 0;
};

} // namespace tarvo
