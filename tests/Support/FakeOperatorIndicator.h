#pragma once

#include <memory>

#include "Support/OperatorPortCalls.h"
#include "TarvoCore/Operator/OperatorIndicator.h"

namespace tarvo::testing {

class FakeOperatorIndicator final : public OperatorIndicator {
public:
    explicit FakeOperatorIndicator(std::shared_ptr<OperatorPortCalls> calls) : calls_(std::move(calls)) {}

    bool shown = true;

    Task<bool> isShown() override {
        const std::string call = "isShown()";
        co_await calls_->answer(call);
        co_return shown;
    }

private:
    std::shared_ptr<OperatorPortCalls> calls_;
};

} // namespace tarvo::testing
