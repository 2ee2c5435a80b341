#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Platform/DesktopApplications.h"
#include "Platform/EwmhWorkspace.h"
#include "Platform/X11Display.h"
#include "TarvoCore/Operator/RunningApp.h"

namespace tarvo {

// The desktop's applications and windows on a connection of its own, opened when first needed
// and again when it was lost (the desktop may come back). Its calls block on the server; they
// may come from any thread and take turns.
class EwmhDesktop {
public:
    // `displayName` empty: no display, so no application runs and nothing is in front.
    EwmhDesktop(std::string displayName, DesktopApplications applications)
        : displayName_(std::move(displayName)), applications_(std::move(applications)) {}

    const DesktopApplications& applications() const { return applications_; }

    std::vector<RunningApp> runningApps();
    // The application whose window is active, named by `entries`, without its window titles.
    std::optional<RunningApp> front(const std::vector<DesktopApplications::Entry>& entries);
    // Whether the active window is one of the companion's own.
    bool ownInFront();
    // Asks the window manager to bring the process's topmost window forward; false when it has
    // none or the request failed.
    bool activate(std::int32_t pid);
    // Everything the window manager tells of its windows now.
    EwmhWorkspace::Reading reading();

private:
    X11Display* connection();

    const std::string displayName_;
    const DesktopApplications applications_;
    std::mutex turn_;
    std::shared_ptr<X11Display> display_;
};

} // namespace tarvo
