#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/ActTarget.h"
#include "TarvoCore/Operator/RunningApp.h"

namespace tarvo {

// The hands of the operator: which app is in front, opening apps, and the acts themselves.
//
// Every act is aimed at the app it is given and lands on that app's process, by its process id,
// or not at all: when another app came to the front since the step was checked, the act throws
// `OperatorPortFailure` with `ActPolicy::notInFrontSentence` of the app's name rather than press,
// type, key or scroll into whatever is in front now.
// `front`, `resolve`, `describe` and `settle` never fail; with nothing to give they answer none.
class Acting {
public:
    // An installed app a name means.
    struct ResolvedApp {
        std::string name;
        std::optional<std::string> bundleId;
        bool operator==(const ResolvedApp&) const = default;
    };

    virtual ~Acting() = default;

    virtual Task<std::optional<RunningApp>> front() = 0;
    virtual Task<std::optional<ResolvedApp>> resolve(std::string app) = 0;
    // Launches or activates the app, and answers it once it is in front.
    virtual Task<RunningApp> open(std::string app) = 0;
    // None when the id is not of the app's latest accessibility read.
    virtual Task<std::optional<ActTarget>> describe(std::string element, RunningApp in) = 0;
    virtual Task<void> press(std::string element, RunningApp in) = 0;
    // Into the element, or wherever the focus is without one.
    virtual Task<void> type(std::string text, std::optional<std::string> into, RunningApp in) = 0;
    // Key and modifier names as a step carries them (`MacKeyCodes`).
    virtual Task<void> key(std::string key, std::vector<std::string> modifiers, RunningApp in) = 0;
    virtual Task<void> scroll(std::string direction, std::int64_t amount, RunningApp in) = 0;
    // Waits until the computer has had time to show what an act did.
    virtual Task<void> settle() = 0;
};

} // namespace tarvo
