#pragma once

#include <string_view>

namespace tarvo {

// The links that bring up the window for turning operating on: tarvo://operate and
// tarvo://operate/on.
class OperateSwitchLink {
public:
    static bool matches(std::string_view link);
};

} // namespace tarvo
