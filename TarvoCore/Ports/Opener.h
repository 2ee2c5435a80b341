#pragma once

#include <string>

namespace tarvo {

// Opens an address in the user's web browser.
class Opener {
public:
    virtual ~Opener() = default;

    // Never fails: where no browser can be started, the address is logged for a person to open.
    virtual void open(const std::string& address) = 0;
};

} // namespace tarvo
