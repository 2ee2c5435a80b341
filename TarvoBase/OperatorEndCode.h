#pragma once

#include <optional>
#include <string_view>

namespace tarvo {

// What ended an operator run.
enum class OperatorEndCode { bar, menu, hotkey, conditions, quit, brain };

// The code's text, equal to its case name.
std::string_view rawValue(OperatorEndCode code);

// Exactly one of the six texts, compared case-sensitively; nothing for any other text.
std::optional<OperatorEndCode> operatorEndCode(std::string_view rawValue);

} // namespace tarvo
