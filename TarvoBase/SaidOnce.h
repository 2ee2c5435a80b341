#pragma once

#include <optional>
#include <string>

namespace tarvo {

// A line that a state lasting many ticks would repeat every tick: it is said again only when it
// changes, or after the state ended.
class SaidOnce {
public:
    // Whether `line` is to be written: it differs from the last one said.
    bool isNew(const std::string& line) {
        if (line == last_) return false;
        last_ = line;
        return true;
    }

    // The state ended, so the next line is said even when it is the last one again.
    void reset() { last_.reset(); }

private:
    std::optional<std::string> last_;
};

} // namespace tarvo
