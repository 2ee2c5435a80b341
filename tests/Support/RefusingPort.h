#pragma once

#include <string>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo::testing {

// A port on 127.0.0.1 held bound but not listening, so every connection to it is refused and
// no other test can take it meanwhile.
class RefusingPort {
public:
    RefusingPort();

    int port() const { return port_; }
    std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    FileDescriptor socket_;
    int port_ = 0;
};

} // namespace tarvo::testing
