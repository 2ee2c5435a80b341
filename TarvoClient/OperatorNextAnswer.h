#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "TarvoBase/Json.h"
#include "TarvoClient/JSONValue.h"
#include "TarvoClient/Pressed.h"

namespace tarvo {

// The answer of the operator long poll: a step to carry out, the end of the live run, or nothing.
struct OperatorNextAnswer {
    using Pressed = tarvo::Pressed;

    // "step" and "stop" are acted on; any other kind carries no step.
    std::string kind;
    std::optional<std::string> runId;
    std::optional<std::string> stepId;
    std::optional<std::int64_t> ordinal;
    std::optional<JSONValue::Object> step;
    std::optional<std::int64_t> answerWithinMs;
    std::optional<std::string> reason;
    std::optional<std::string> liveRunId;
    std::optional<Pressed> pressed;
    std::optional<JSONValue::Object> permit;

    // Throws `JsonReadError`.
    static OperatorNextAnswer fromJson(const Json& json, std::string path = {});

    bool operator==(const OperatorNextAnswer&) const = default;
};

} // namespace tarvo
