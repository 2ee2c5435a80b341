#pragma once

#include <memory>
#include <string>

#include "Support/RunningProgram.h"
#include "Support/TemporaryFolder.h"

namespace tarvo::testing {

// A D-Bus daemon of the test's own, listening on a socket in a temporary folder, ended when this
// goes away.
class PrivateBus {
public:
    static constexpr const char* program = "/usr/bin/dbus-daemon";

    // Whether the daemon is installed (Debian's package dbus-daemon).
    static bool available();

    // Throws when the daemon does not come up.
    PrivateBus();

    // The address clients connect to.
    const std::string& address() const { return address_; }

private:
    TemporaryFolder folder_;
    std::string address_;
    std::unique_ptr<RunningProgram> daemon_;
};

} // namespace tarvo::testing
