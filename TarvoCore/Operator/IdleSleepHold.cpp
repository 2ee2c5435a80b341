#include "TarvoCore/Operator/IdleSleepHold.h"

#include <utility>

namespace tarvo {

IdleSleepHold::IdleSleepHold(Begin begin, End end) : begin_(std::move(begin)), end_(std::move(end)) {}

IdleSleepHold::~IdleSleepHold() {
    if (assertion_) end_(*assertion_);
}

void IdleSleepHold::hold(std::optional<KeepAwakeReason> reason) {
    reason_ = reason;
    if (reason && !assertion_) {
        assertion_ = begin_(name);
    } else if (!reason && assertion_) {
        end_(*std::exchange(assertion_, std::nullopt));
    }
}

} // namespace tarvo
