#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include <sys/types.h>

#include "TarvoBase/FileDescriptor.h"
#include "TarvoCore/Operator/IdleSleepHold.h"

namespace tarvo {

// The idle-sleep hold of a Linux computer: a logind idle inhibitor, held by running
// "systemd-inhibit --what=idle ... cat" as a child whose input is a pipe of ours. Closing the
// pipe ends the child and so releases the hold, also when the companion dies without ending
// it. Where logind does not run, a hold holds nothing and says so once in the log. For the
// main thread, as IdleSleepHold is.
class LogindIdleInhibitor {
public:
    using Assertion = IdleSleepHold::Assertion;

    // `logindRuns` as `logindRunsHere()` tells.
    explicit LogindIdleInhibitor(bool logindRuns, std::string program = "systemd-inhibit");
    // Ends every hold still taken.
    ~LogindIdleInhibitor();

    LogindIdleInhibitor(const LogindIdleInhibitor&) = delete;
    LogindIdleInhibitor& operator=(const LogindIdleInhibitor&) = delete;

    std::optional<Assertion> begin(const std::string& name);
    void end(Assertion assertion);

    // logind comes with systemd as the system's manager, which marks its runtime folder
    // (the test sd_booted() makes).
    static bool logindRunsHere(const std::filesystem::path& runFolder = "/run");

private:
    struct Child {
        pid_t pid;
        FileDescriptor input;
    };

    static void stop(Child& child);

    bool logindRuns_;
    std::string program_;
    std::map<Assertion, Child> children_;
    Assertion next_ = 1;
};

} // namespace tarvo
