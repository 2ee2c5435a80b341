#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// The JSON body of a refused request.
struct ProblemBody {
    std::optional<std::string> code;
    std::optional<std::string> message;
    std::optional<std::string> error;

    // None when the body is not a JSON object (read as every answer is, nesting bounded) or one of
    // the three members is neither a string nor null. Never throws.
    static std::optional<ProblemBody> read(std::string_view body);

    bool operator==(const ProblemBody&) const = default;
};

} // namespace tarvo
