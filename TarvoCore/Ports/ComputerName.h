#pragma once

#include <optional>
#include <string>

namespace tarvo {

// Where the computer's own name comes from. Read afresh each time: the user may rename the
// computer while the companion runs.
class ComputerName {
public:
    virtual ~ComputerName() = default;
    // None when the system gives no name; an empty name the system does give is a name.
    virtual std::optional<std::string> current() const = 0;
};

} // namespace tarvo
