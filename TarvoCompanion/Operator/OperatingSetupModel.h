#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCompanion/Companion.h"
#include "TarvoCompanion/PressOutcome.h"
#include "TarvoCompanion/SetupButton.h"
#include "TarvoDesign/Tokens/TarvoColour.h"

namespace tarvo {

// The window where the user lets the service operate this computer: the two switches, the three
// permissions with the way to each one's settings, and the restart that makes one take effect.
// Everything it shows is read afresh from the operator's permissions on each request, and
// everything it changes goes through them. The window is made on the first `show` and only
// hidden when closed. Lives on the main loop.
class OperatingSetupModel {
public:
    static constexpr std::string_view title = "Operate this Mac";
    static constexpr int width = 480;
    static constexpr int height = 620;

    struct Switch {
        std::string id;
        std::string title;
        std::string line;
        bool on = false;
        bool operator==(const Switch&) const = default;
    };
    struct PermissionRow {
        std::string title;
        // Nothing while it cannot be told.
        std::optional<bool> granted;
        TarvoColour colour;
        // The system symbol on the row's mark: "checkmark", "xmark" or "ellipsis".
        std::string mark;
        // "On", "Off" or "Checking".
        std::string word;
        // The second line's text, before its buttons; nothing where it has only buttons or none.
        std::optional<std::string> note;
        std::vector<SetupButton> buttons;
        bool operator==(const PermissionRow&) const = default;
    };
    struct Page {
        std::string heading;
        std::string intro;
        Switch operate;
        // Accessibility, Screen Recording, Full Disk Access.
        std::vector<PermissionRow> rows;
        // While the system asks the user whether the screen may still be seen.
        std::optional<std::string> screenRecordingNote;
        Switch keepAwake;
    };

    explicit OperatingSetupModel(std::shared_ptr<Companion> companion);

    // Makes the window the first time, brings it to the front, and starts a fresh reading.
    void show();
    void close() { visible_ = false; }
    bool exists() const { return made_; }
    bool isVisible() const { return visible_; }
    int timesFronted() const { return timesFronted_; }

    Page page() const;
    PressOutcome press(std::string_view id);

private:
    PermissionRow row(std::string_view id, std::string title, std::optional<bool> granted, bool needsRestart) const;

    std::shared_ptr<Companion> companion_;
    bool made_ = false;
    bool visible_ = false;
    int timesFronted_ = 0;
};

} // namespace tarvo
