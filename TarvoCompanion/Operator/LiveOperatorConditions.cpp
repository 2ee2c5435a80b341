#include "TarvoCompanion/Operator/LiveOperatorConditions.h"

#include <optional>

#include "TarvoBase/OnWorker.h"

namespace tarvo {

Task<OperatorSession::Conditions> LiveOperatorConditions::current() {
    const bool signedIn = sources_.signedIn();
    const bool keepAwake = sources_.keepAwake();
    const std::function<OperatorCaps()> read = [read = sources_.read, enabled = sources_.allowed()] {
        return read(enabled);
    };
    std::optional<OperatorCaps> reading;
    try {
        reading = co_await onWorker(read);
        reading->keepAwake = keepAwake;
    } catch (...) {
        // A reading that could not be taken admits nothing but what needs no reading.
        reading.reset();
    }
    co_return OperatorSession::Conditions::from(reading, signedIn);
}

} // namespace tarvo
