#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "TarvoCore/Operator/KeepAwakeReason.h"

namespace tarvo {

// Holds at most one idle-sleep hold of the system while a reason is given. The system's begin
// and end are handed in. Called from the main thread only.
class IdleSleepHold {
public:
    using Assertion = std::uint32_t;
    // Takes a hold under the given name; nothing when the system refused.
    using Begin = std::function<std::optional<Assertion>(const std::string& name)>;
    using End = std::function<void(Assertion assertion)>;

    static constexpr const char* name = "Tarvo keeps this Mac awake while it works for you";

    IdleSleepHold(Begin begin, End end);
    ~IdleSleepHold();

    IdleSleepHold(const IdleSleepHold&) = delete;
    IdleSleepHold& operator=(const IdleSleepHold&) = delete;

    bool isHeld() const { return assertion_.has_value(); }
    std::optional<KeepAwakeReason> reason() const { return reason_; }

    // A change of reason keeps the hold already taken; a hold the system refused is tried
    // again on the next call with a reason.
    void hold(std::optional<KeepAwakeReason> reason);

private:
    Begin begin_;
    End end_;
    std::optional<Assertion> assertion_;
    std::optional<KeepAwakeReason> reason_;
};

} // namespace tarvo
