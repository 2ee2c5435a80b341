#include "Support/PrivateBus.h"

#include <stdexcept>

#include <unistd.h>

namespace tarvo::testing {

bool PrivateBus::available() { return ::access(program, X_OK) == 0; }

PrivateBus::PrivateBus() : address_("unix:path=" + (folder_ / "bus").string()) {
    // The session bus's rules let any client own any name, as a stand-in for a system service
    // must.
    daemon_ = std::make_unique<RunningProgram>(
        program, std::vector<std::string>{"--session", "--nofork", "--nopidfile", "--address=" + address_, "--print-address=1"},
        std::map<std::string, std::string>{});
    if (!daemon_->waitFor(address_, std::chrono::seconds(10))) {
        throw std::runtime_error("the private D-Bus daemon did not start: " + daemon_->output());
    }
}

} // namespace tarvo::testing
