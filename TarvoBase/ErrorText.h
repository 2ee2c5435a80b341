#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace tarvo {

// The text of a caught error for a log line: its `what()`, or `unknown` when it is no
// `std::exception`.
std::string errorText(const std::exception_ptr& error, std::string_view unknown);

} // namespace tarvo
