#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "Support/FakeAccessibilityReading.h"
#include "Support/FakeActing.h"
#include "Support/FakeAppListing.h"
#include "Support/FakeFileOperating.h"
#include "Support/FakeOperatorConditionsReading.h"
#include "Support/FakeOperatorIndicator.h"
#include "Support/FakeScreenCapturing.h"
#include "Support/OperatorPortCalls.h"
#include "TarvoCore/Operator/FileRefTable.h"
#include "TarvoCore/Operator/OperatorExecutor.h"
#include "TarvoCore/Operator/OperatorSession.h"

namespace tarvo::testing {

// Every operator port as a fake sharing one call log, the real session and reference table, and
// an executor over them. Every condition is ready and the bar shown until a test says otherwise.
struct FakeOperatorPorts {
    // The reference key: the bytes 0x01 to 0x20.
    static constexpr std::array<std::uint8_t, 32> refKey{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                                         12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
                                                         23, 24, 25, 26, 27, 28, 29, 30, 31, 32};

    std::shared_ptr<OperatorPortCalls> calls = std::make_shared<OperatorPortCalls>();
    std::shared_ptr<FakeAppListing> apps = std::make_shared<FakeAppListing>(calls);
    std::shared_ptr<FakeScreenCapturing> screen = std::make_shared<FakeScreenCapturing>(calls);
    std::shared_ptr<FakeAccessibilityReading> accessibility = std::make_shared<FakeAccessibilityReading>(calls);
    std::shared_ptr<FakeOperatorIndicator> indicator = std::make_shared<FakeOperatorIndicator>(calls);
    std::shared_ptr<OperatorSession> session = std::make_shared<OperatorSession>();
    std::shared_ptr<FakeOperatorConditionsReading> conditions = std::make_shared<FakeOperatorConditionsReading>(calls);
    std::shared_ptr<FakeFileOperating> files = std::make_shared<FakeFileOperating>(calls);
    std::shared_ptr<FileRefTable> refs = std::make_shared<FileRefTable>(refKey);
    std::shared_ptr<FakeActing> acts = std::make_shared<FakeActing>(calls);

    // A new executor, with a turn of its own: copy it to share the turn.
    OperatorExecutor executor() const {
        return OperatorExecutor(apps, screen, accessibility, indicator, session, conditions, files, refs, acts);
    }
};

} // namespace tarvo::testing
