#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "Support/OperatorPortCalls.h"
#include "TarvoCore/Operator/ScreenCapturing.h"

namespace tarvo::testing {

class FakeScreenCapturing final : public ScreenCapturing {
public:
    explicit FakeScreenCapturing(std::shared_ptr<OperatorPortCalls> calls) : calls_(std::move(calls)) {}

    CapturedPicture picture = [] {
        CapturedPicture made;
        made.thumbnailJPEG = "thumb";
        made.width = 320;
        made.height = 200;
        made.apps = {"Notes"};
        return made;
    }();
    // What the last capture left out.
    std::set<std::string> excluded;

    Task<CapturedPicture> capture(std::optional<RunningApp> only, std::set<std::string> excludingBundleIds) override {
        excluded = excludingBundleIds;
        const std::string call = "capture(only: " + (only ? only->name : std::string("none")) + ", excluding: " + std::to_string(excludingBundleIds.size()) + ")";
        co_await calls_->answer(call);
        co_return picture;
    }

private:
    std::shared_ptr<OperatorPortCalls> calls_;
};

} // namespace tarvo::testing
