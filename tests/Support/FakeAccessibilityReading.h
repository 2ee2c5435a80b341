#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Support/OperatorPortCalls.h"
#include "TarvoCore/Operator/AccessibilityReading.h"

namespace tarvo::testing {

class FakeAccessibilityReading final : public AccessibilityReading {
public:
    explicit FakeAccessibilityReading(std::shared_ptr<OperatorPortCalls> calls) : calls_(std::move(calls)) {}

    // Answered with the app and generation asked for.
    AXSnapshot answer = [] {
        AXSnapshot snapshot;
        snapshot.text = "AXWindow Notes";
        snapshot.elementCount = 1;
        return snapshot;
    }();

    Task<AXSnapshot> snapshot(RunningApp of, std::int64_t generation, std::size_t budget) override {
        const std::string call = "snapshot(of: " + of.name + ", generation: " + std::to_string(generation) + ", budget: " + std::to_string(budget) + ")";
        co_await calls_->answer(call);
        AXSnapshot read = answer;
        read.app = of.name;
        read.generation = generation;
        co_return read;
    }

private:
    std::shared_ptr<OperatorPortCalls> calls_;
};

} // namespace tarvo::testing
