#pragma once

#include <memory>

#include "Support/OperatorPortCalls.h"
#include "TarvoCore/Operator/OperatorConditionsReading.h"

namespace tarvo::testing {

class FakeOperatorConditionsReading final : public OperatorConditionsReading {
public:
    explicit FakeOperatorConditionsReading(std::shared_ptr<OperatorPortCalls> calls) : calls_(std::move(calls)) {}

    // Every class ready.
    static OperatorSession::Conditions ready() {
        OperatorSession::Conditions c;
        c.switchOn = c.accessibility = c.screenRecording = c.signedIn = c.unlockedAtScreen = c.postEvent = true;
        c.fullDiskAccess = c.folderConsent = true;
        return c;
    }

    OperatorSession::Conditions conditions = ready();

    Task<OperatorSession::Conditions> current() override {
        const std::string call = "current()";
        co_await calls_->answer(call);
        co_return conditions;
    }

private:
    std::shared_ptr<OperatorPortCalls> calls_;
};

} // namespace tarvo::testing
