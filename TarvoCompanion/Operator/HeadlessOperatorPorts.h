#pragma once

#include <memory>
#include <string_view>

#include "Platform/ApplicationFinder.h"

#include "TarvoCore/Operator/Acting.h"

namespace tarvo {

// Which app is in front, naming and opening apps: the `ApplicationFinder`'s when there is a
// desktop; without one nothing is in front and no app can be opened. The desktop's actor takes
// these from here; its own acts, which the actor makes, fail with a sentence that says they
// cannot be made.
class HeadlessOperatorPorts final : public Acting {
public:
    static constexpr std::string_view noDesktopSentence = "Tarvo cannot reach the screen of this Mac yet.";

    explicit HeadlessOperatorPorts(std::shared_ptr<ApplicationFinder> applications = nullptr)
        : applications_(std::move(applications)) {}

    Task<std::optional<RunningApp>> front() override;
    Task<std::optional<ResolvedApp>> resolve(std::string app) override;
    Task<RunningApp> open(std::string app) override;
    Task<std::optional<ActTarget>> describe(std::string element, RunningApp in) override;
    Task<void> press(std::string element, RunningApp in) override;
    Task<void> type(std::string text, std::optional<std::string> into, RunningApp in) override;
    Task<void> key(std::string key, std::vector<std::string> modifiers, RunningApp in) override;
    Task<void> scroll(std::string direction, std::int64_t amount, RunningApp in) override;
    Task<void> settle() override;

private:
    std::shared_ptr<ApplicationFinder> applications_;
};

} // namespace tarvo
