#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// The process's plain log: one line per call, written exactly as given (never used as a
// format pattern). Every caller writes the whole line, beginning with "tarvo: ". How much is
// written is set once, at start: errors only, or also what the program does (the default), or
// also the steps that are only of use to whoever debugs it. The named log's lines go by the same
// setting.
class PlainLog {
public:
    using Sink = std::function<void(std::string_view line)>;
    enum class Verbosity { error, info, debug };

    // What the program does.
    static void write(std::string_view line);
    // What failed.
    static void error(std::string_view line);
    // A step only whoever debugs the program needs.
    static void debug(std::string_view line);

    static Verbosity verbosity();
    // Answers the previous setting.
    static Verbosity setVerbosity(Verbosity verbosity);
    // "error", "info" or "debug"; nothing for anything else.
    static std::optional<Verbosity> verbosityNamed(std::string_view name);
    // The setting from the value of TARVO_LOG, when it is one; a value that is not is said once
    // and leaves the default.
    static void useVerbosityFrom(const char* value);

    // Replaces where lines go (standard error by default) and returns the previous sink.
    static Sink setSink(Sink sink);
};

} // namespace tarvo
