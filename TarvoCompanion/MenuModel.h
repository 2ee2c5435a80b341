#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCompanion/Companion.h"
#include "TarvoCompanion/MenuItem.h"
#include "TarvoCompanion/PressOutcome.h"
#include "TarvoCompanion/SafariStatus.h"
#include "TarvoCompanion/Updates/Updater.h"

namespace tarvo {

// The menu-bar menu: its icon and items, built afresh on every request from the companion, the
// operator's permissions and link, the extension's status and the updater, so that nothing is
// ever shown from an earlier state; and its actions, by item id. Lives on the main loop.
class MenuModel {
public:
    enum class Icon { operating, ready, attention };

    struct Sources {
        std::shared_ptr<Companion> companion;
        std::shared_ptr<SafariStatus> safari;
        // Nothing: no update item.
        Updater* updater = nullptr;
        // How the stop key is named on this computer.
        std::string_view stopKeysSpoken;
        // "Set up operating this Mac…".
        std::function<void()> showOperatingSetup;
    };

    static constexpr std::string_view stopId = "stop";
    static constexpr std::string_view panelId = "panel";
    static constexpr std::string_view fullDiskAccessId = "full-disk-access";
    static constexpr std::string_view checkAgainId = "check-again";
    static constexpr std::string_view whatsappId = "whatsapp";
    static constexpr std::string_view operateId = "operate";
    static constexpr std::string_view keepAwakeId = "keep-awake";
    static constexpr std::string_view modeId = "mode";
    static constexpr std::string_view operatingSetupId = "set-up-operating";
    static constexpr std::string_view signInId = "sign-in";
    static constexpr std::string_view safariId = "safari";
    static constexpr std::string_view updatesId = "check-for-updates";
    static constexpr std::string_view quitId = "quit";

    // The system symbol of the icon, and the word the text front end shows for it.
    static std::string_view symbol(Icon icon);
    static std::string_view word(Icon icon);
    // The id of a mode's choice in the picker: "mode-ask", "mode-auto_read", "mode-auto".
    static std::string choiceId(MacPermissionMode mode);

    explicit MenuModel(Sources sources);

    Icon icon() const;
    std::vector<MenuItem> items() const;

    // Runs the item's action, or says why not: no such item in the menu as it is now, or one
    // that cannot be chosen.
    PressOutcome press(std::string_view id);
    // "Stop operating this Mac": the run stopped and recorded when one was live; the bar lowered,
    // the end logged and the stops reported in any case.
    void stop();

private:
    void addSignedIn(std::vector<MenuItem>& items) const;
    void addOperating(std::vector<MenuItem>& items) const;
    void act(const MenuItem& item, std::string_view choice);

    Sources sources_;
};

} // namespace tarvo
