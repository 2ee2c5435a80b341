#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/DesktopApplications.h"
#include "Platform/EwmhDesktop.h"
#include "TarvoBase/ProcessRunner.h"
#include "TarvoCore/Operator/Acting.h"

namespace tarvo {

// The actor's dealings with whole applications: which one is in front, which one a name from
// the service means, and opening one. A name means a running application first (its id or its
// name), then an installed one: by the desktop-file id exactly as given, then by the entries of
// every data folder (id or Name, letter case ignored, with or without ".desktop" or ".app").
// Opening activates a running application and starts another from its entry's Exec, as an
// argument list and never through a shell, then waits for it to come to the front.
class ApplicationFinder {
public:
    static constexpr std::chrono::milliseconds pauseBetweenChecks{100};
    static constexpr int pausesBeforeGivingUp = 50;
    static constexpr std::string_view notFrontTail = " opened but did not come to the front, so nothing more was done.";

    // What a name found: a running application, an installed one, or both.
    struct Found {
        std::optional<RunningApp> running;
        std::optional<DesktopApplications::Entry> entry;
    };

    // `searchPath` is the PATH an entry's program is looked up in when its Exec names no folder.
    ApplicationFinder(std::shared_ptr<EwmhDesktop> desktop, std::shared_ptr<ProcessRunner> runner,
                      std::string searchPath);

    // The application in front now, the companion too; none when nothing is.
    Task<std::optional<RunningApp>> front();
    // Its name (an entry's Name, else its id) and its id.
    Task<std::optional<Acting::ResolvedApp>> resolve(std::string app);
    // The application once it is in front. Throws `OperatorPortFailure` with the name as given.
    Task<RunningApp> open(std::string app);

    // Blocking: what `name` means among `running` and `installed`.
    static std::optional<Found> find(std::string_view name, const std::vector<RunningApp>& running,
                                     const DesktopApplications& installed);

private:
    // Throws `OperatorPortFailure` when it cannot be started or activated.
    void launchOrActivate(const std::string& app, const Found& found);

    std::shared_ptr<EwmhDesktop> desktop_;
    std::shared_ptr<ProcessRunner> runner_;
    std::string searchPath_;
};

} // namespace tarvo
