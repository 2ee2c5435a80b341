#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCompanion/MenuModel.h"
#include "TarvoCompanion/Operator/OperatingSetupModel.h"
#include "TarvoCompanion/SetupModel.h"

namespace tarvo {

// The running companion's side of the program's control command: the menu and the two setup
// windows printed as text pages, and their items pressed by id. Printing the menu is not an
// activation, as opening a menu-bar menu is not; showing a setup page is one. Lives on the main
// loop.
class ControlCommand {
public:
    // What the command prints, and how it ends.
    struct Answer {
        int status = 0;
        std::string text;
        bool operator==(const Answer&) const = default;
    };

    static constexpr std::string_view menuCommand = "menu";
    static constexpr std::string_view pressCommand = "press";
    static constexpr std::string_view setupCommand = "setup";
    static constexpr std::string_view operateCommand = "operate";
    // The first word of the question the command asks the running copy.
    static constexpr std::string_view question = "control";
    static constexpr int refusedStatus = 2;
    static constexpr int failedStatus = 1;

    struct Parts {
        std::shared_ptr<MenuModel> menu;
        std::shared_ptr<OperatingSetupModel> operating;
        std::shared_ptr<SetupModel> setup;
        std::shared_ptr<Companion> companion;
        // The program became active: the extension's refresh and the return from a settings pane.
        std::function<void()> activate;
    };

    explicit ControlCommand(Parts parts);

    // The answer as it crosses the socket: its status, a line break, its text; nothing when the
    // bytes are not one.
    static std::string encoded(const Answer& answer);
    static std::optional<Answer> decoded(std::string_view bytes);

    // Whether `words` (the program's arguments) are a control command.
    static bool isControl(const std::vector<std::string>& words);

    // "menu", "press ID", "setup", "setup press ID", "operate", "operate press ID".
    Answer answer(const std::vector<std::string>& words);

    static std::string menuPage(MenuModel::Icon icon, const std::vector<MenuItem>& items);
    static std::string operatingPage(const OperatingSetupModel::Page& page);
    static std::string setupPage(const SetupModel::Page& page);

private:
    Answer pressed(const PressOutcome& outcome, std::string page);
    Answer showSetup(const std::vector<std::string>& words);
    Answer showOperating(const std::vector<std::string>& words);

    Parts parts_;
};

} // namespace tarvo
