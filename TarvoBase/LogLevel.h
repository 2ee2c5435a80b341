#pragma once

namespace tarvo {

// The two levels the named log uses; no line is written at any other.
enum class LogLevel {
    standard, // the log's default level
    error,
};

} // namespace tarvo
