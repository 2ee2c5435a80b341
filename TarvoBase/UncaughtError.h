#pragma once

#include <exception>
#include <string_view>

namespace tarvo {

// Writes the one plain log line for an exception that nothing caught before it reached the run
// loop, which then goes on: "tarvo: a timer ended with an error: <what>". `source` names what
// threw ("a timer", "posted work", "a background task").
void logUncaught(std::string_view source, std::exception_ptr error) noexcept;

} // namespace tarvo
