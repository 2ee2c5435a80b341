#pragma once

#include <optional>
#include <set>
#include <string>

#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/CapturedPicture.h"
#include "TarvoCore/Operator/RunningApp.h"

namespace tarvo {

// Pictures of the display for a look.
class ScreenCapturing {
public:
    virtual ~ScreenCapturing() = default;

    // With `only`, that app's windows alone; without, every window but those of the apps whose
    // bundle identifiers are in `excludingBundleIds`. An app with no window on screen, a computer
    // without a screen, a capture the system refuses or an image that cannot be made small enough
    // throws `OperatorPortFailure` with the sentence for the user.
    virtual Task<CapturedPicture> capture(std::optional<RunningApp> only, std::set<std::string> excludingBundleIds) = 0;
};

} // namespace tarvo
