#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/Task.h"
#include "TarvoCompanion/CommandLine.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCore/Ports/SingleInstance.h"

namespace tarvo {

// The application's side of start-up and of the system's requests: one running copy per user,
// the first window, the program's own tarvo:// links, and a window back each time the program
// is activated. Everything it does goes through the companion.
class AppDelegate {
public:
    // What some routes lead to that lives outside the companion; each may be empty.
    struct Neighbours {
        std::function<void()> showSafariExtensionSettings;
        std::function<void()> showOperatingSetup;
        // The program's control command, answered with its page (see `ControlCommand::encoded`).
        std::function<std::string(std::vector<std::string> words)> control;
        // Each activation, once the delegate's own part is done.
        std::function<void()> didBecomeActive;
    };
    using MakeCompanion = std::function<std::shared_ptr<Companion>()>;

    AppDelegate(std::shared_ptr<SingleInstance> instance, MakeCompanion makeCompanion, Neighbours neighbours);

    // The single-instance rule, given the program's arguments: a copy that is not `first` hands
    // "activate" and its links to the running one and ends.
    SingleInstance::Claim applicationWillFinishLaunching(const std::vector<std::string>& arguments);
    // Makes and launches the companion, shows the first window and starts hearing later copies.
    void applicationDidFinishLaunching();
    // Acts on the first link of the tarvo scheme; the others are ignored.
    void open(const std::vector<std::string>& links);
    // What this copy was started for: its links, or the command no running copy answered.
    void follow(const CommandLine& commandLine);
    // Defers its work by one turn of the main loop, so that links handed over with the
    // activation are acted on first.
    void applicationDidBecomeActive();

    // The route of a tarvo link: its host, else the first non-empty piece of its path.
    static std::string route(std::string_view link);

    const std::shared_ptr<Companion>& companion() const { return companion_; }

private:
    void hear(std::vector<std::string> message);
    // A later copy's command, answered by the companion.
    void answer(std::vector<std::string> question, SingleInstance::Reply reply);
    void act(const std::string& link);
    static void openFirstWindow(Companion& companion);
    static void becomeActive(const std::weak_ptr<Companion>& companion);
    static Task<void> reportNewPermissions(std::shared_ptr<Companion> companion);

    std::shared_ptr<SingleInstance> instance_;
    MakeCompanion makeCompanion_;
    Neighbours neighbours_;
    std::shared_ptr<Companion> companion_;
};

} // namespace tarvo
