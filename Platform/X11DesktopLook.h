#pragma once

#include <optional>
#include <string_view>

#include "Platform/X11Display.h"
#include "TarvoCore/Operator/OperatorBarSurface.h"

namespace tarvo {

// How the desktop asks windows to look: dark when the settings portal's "color-scheme" prefers
// dark, without motion when the XSETTINGS manager's "Gtk/EnableAnimations" is 0. Light, with
// motion, wherever the desktop does not say.
class X11DesktopLook {
public:
    static OperatorBarSurface::Look read(X11Display& display);

    // The integer setting `name` in the XSETTINGS manager's data; nothing when it is missing,
    // not an integer, or the data is malformed.
    static std::optional<int> integerSetting(std::string_view data, std::string_view name);

    // Whether the settings portal on the session bus prefers dark; nothing when there is no bus,
    // no portal, or no answer within half a second.
    static std::optional<bool> portalPrefersDark();
};

} // namespace tarvo
