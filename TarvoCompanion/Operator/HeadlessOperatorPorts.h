#pragma once

#include <string_view>

#include "TarvoCore/Operator/AccessibilityReading.h"
#include "TarvoCore/Operator/Acting.h"
#include "TarvoCore/Operator/AppListing.h"
#include "TarvoCore/Operator/ScreenCapturing.h"

namespace tarvo {

// The step ports of a computer whose desktop the companion cannot reach yet: no app runs, nothing
// is in front, and a capture, a read or an act fails with a sentence that says so.
class HeadlessOperatorPorts final : public AppListing, public ScreenCapturing, public AccessibilityReading, public Acting {
public:
    static constexpr std::string_view noDesktopSentence = "Tarvo cannot reach the screen of this Mac yet.";

    Task<std::vector<RunningApp>> runningApps() override;

    Task<CapturedPicture> capture(std::optional<RunningApp> only, std::set<std::string> excludingBundleIds) override;

    Task<AXSnapshot> snapshot(RunningApp of, std::int64_t generation, std::size_t budget) override;

    Task<std::optional<RunningApp>> front() override;
    Task<std::optional<ResolvedApp>> resolve(std::string app) override;
    Task<RunningApp> open(std::string app) override;
    Task<std::optional<ActTarget>> describe(std::string element, RunningApp in) override;
    Task<void> press(std::string element, RunningApp in) override;
    Task<void> type(std::string text, std::optional<std::string> into, RunningApp in) override;
    Task<void> key(std::string key, std::vector<std::string> modifiers, RunningApp in) override;
    Task<void> scroll(std::string direction, std::int64_t amount, RunningApp in) override;
    Task<void> settle() override;
};

} // namespace tarvo
