#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/BundleIdentifier.h"
#include "TarvoCore/Operator/RunningApp.h"

namespace tarvo {

// Which app a look or an act means, and which apps are never looked at: pure rules over the
// running apps the app-listing port reports.
class OperatorLookPolicy {
public:
    static constexpr std::string_view ownBundleId = bundleIdentifier;
    static constexpr std::string_view neverSentence =
        "Tarvo never looks at its own windows, at passwords, at settings, or at another screen.";

    // The companion itself, password and key managers, login and authentication windows, system
    // settings, screen sharing and remote desktops, and software installers: by macOS bundle
    // identifier and by Linux desktop-file id (without ".desktop"), compared exactly. A screen
    // capture leaves all of them out.
    static const std::set<std::string>& neverLookedAt();

    // An app with no bundle identifier may always be looked at.
    static bool mayLookAt(const RunningApp& app);
    // The app to read when a step names none: the front app, or, when the companion itself is in
    // front, the app that was in front before it (`previousFront`, a process id).
    static std::optional<RunningApp> frontTarget(const std::vector<RunningApp>& apps,
                                                 std::optional<std::int32_t> previousFront);
    // The app a name from the service means: a bundle identifier first, then a name, each the
    // whole text with letter case ignored; the first in list order.
    static std::optional<RunningApp> find(std::string_view name, const std::vector<RunningApp>& apps);
};

} // namespace tarvo
