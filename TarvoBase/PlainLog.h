#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarvo {

// The process's plain log: one line per call, written exactly as given (never used as a
// format pattern). Every caller writes the whole line, beginning with "tarvo: ".
class PlainLog {
public:
    using Sink = std::function<void(std::string_view line)>;

    static void write(std::string_view line);

    // Replaces where lines go (standard error by default) and returns the previous sink.
    static Sink setSink(Sink sink);
};

} // namespace tarvo
