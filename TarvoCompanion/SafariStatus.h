#pragma once

#include <memory>

#include "TarvoBase/Task.h"
#include "TarvoCompanion/SafariSwitch.h"
#include "TarvoCore/Companion/SafariSetup.h"

namespace tarvo {

// The extension's setup state that the menu and the setup window show. A carried extension is
// offered before the browser has answered. It lives on the main loop; each refresh runs in a
// task of its own, they are not merged, and the last to finish wins.
class SafariStatus : public std::enable_shared_from_this<SafariStatus> {
public:
    // Made with its first refresh started.
    static std::shared_ptr<SafariStatus> make(SafariSwitch safariSwitch);

    SafariSetup setup() const { return setup_; }
    const SafariSwitch& safariSwitch() const { return switch_; }

    // Starts a refresh and returns.
    void refresh();
    // The program became active, as when the user comes back from the browser's settings.
    void activated() { refresh(); }

private:
    explicit SafariStatus(SafariSwitch safariSwitch);
    static Task<void> refreshing(std::weak_ptr<SafariStatus> status);

    SafariSwitch switch_;
    SafariSetup setup_ = SafariSetup::hidden;
};

} // namespace tarvo
