#pragma once

#include <memory>

#include "Support/FakeAccessibilityReading.h"
#include "Support/FakeActing.h"
#include "Support/FakeAppListing.h"
#include "Support/FakeOperatorConditionsReading.h"
#include "Support/FakeOperatorIndicator.h"
#include "Support/FakeScreenCapturing.h"
#include "Support/OperatorPortCalls.h"
#include "TarvoCore/Operator/OperatorExecutor.h"
#include "TarvoCore/Operator/OperatorSession.h"

namespace tarvo::testing {

// Every operator port as a fake sharing one call log, the real session, and an executor over
// them. Every condition is ready and the bar shown until a test says otherwise.
struct FakeOperatorPorts {
    std::shared_ptr<OperatorPortCalls> calls = std::make_shared<OperatorPortCalls>();
    std::shared_ptr<FakeAppListing> apps = std::make_shared<FakeAppListing>(calls);
    std::shared_ptr<FakeScreenCapturing> screen = std::make_shared<FakeScreenCapturing>(calls);
    std::shared_ptr<FakeAccessibilityReading> accessibility = std::make_shared<FakeAccessibilityReading>(calls);
    std::shared_ptr<FakeOperatorIndicator> indicator = std::make_shared<FakeOperatorIndicator>(calls);
    std::shared_ptr<OperatorSession> session = std::make_shared<OperatorSession>();
    std::shared_ptr<FakeOperatorConditionsReading> conditions = std::make_shared<FakeOperatorConditionsReading>(calls);
    std::shared_ptr<FakeActing> acts = std::make_shared<FakeActing>(calls);

    OperatorExecutor executor() const {
        return OperatorExecutor(apps, screen, accessibility, indicator, session, conditions, nullptr, nullptr, acts);
    }
};

} // namespace tarvo::testing
