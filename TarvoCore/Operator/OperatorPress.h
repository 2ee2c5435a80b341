#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "TarvoClient/JSONValue.h"

namespace tarvo {

// Ties the user's press to exactly one step: the service sends back, with the repeated step, a
// digest of the run id and the step object, and only the digest this side computes over the same
// bytes counts as the press. The writer must therefore agree with the service's to the byte.
class OperatorPress {
public:
    // The run id, a line feed, and the step as canonical JSON.
    static std::string canonical(std::string_view runId, const JSONValue::Object& step);
    // SHA-256 of the canonical text's UTF-8 bytes, as 64 lower-case hex digits.
    static std::string digest(std::string_view runId, const JSONValue::Object& step);
    // The pressed digest, in either letter case, is the digest of this run and step.
    static bool approves(const std::optional<std::string>& pressed, std::string_view runId,
                         const std::optional<JSONValue::Object>& step);

    // Canonical JSON: no spaces; object keys in ascending order of their UTF-16 code units; a
    // whole number below 1e15 in magnitude as a plain integer ("0" for -0), any other number in
    // the shortest form that reads back as the same double; strings escape only the quote, the
    // backslash and the control characters below U+0020.
    static std::string object(const JSONValue::Object& object);
    static std::string value(const JSONValue& value);
    static std::string string(std::string_view text);
};

} // namespace tarvo
