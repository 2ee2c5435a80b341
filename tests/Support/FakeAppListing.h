#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Support/OperatorPortCalls.h"
#include "TarvoCore/Operator/AppListing.h"

namespace tarvo::testing {

class FakeAppListing final : public AppListing {
public:
    explicit FakeAppListing(std::shared_ptr<OperatorPortCalls> calls) : calls_(std::move(calls)) {}

    std::vector<RunningApp> apps;
    std::optional<std::int32_t> previousFront;

    Task<std::vector<RunningApp>> runningApps() override {
        const std::string call = "runningApps()";
        co_await calls_->answer(call);
        co_return apps;
    }
    Task<std::optional<std::int32_t>> frontmostBeforeTarvo() override {
        const std::string call = "frontmostBeforeTarvo()";
        co_await calls_->answer(call);
        co_return previousFront;
    }

private:
    std::shared_ptr<OperatorPortCalls> calls_;
};

} // namespace tarvo::testing
