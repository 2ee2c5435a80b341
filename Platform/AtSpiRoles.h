#pragma once

#include <optional>
#include <string_view>

#include <atspi/atspi-constants.h>

namespace tarvo {

// The accessibility roles of the desktop's toolkits in the core's role names, so the walk, the
// serialiser and the policy see one vocabulary whatever the toolkit.
struct AtSpiRoles {
    // A text role that holds several lines reads as a text area; "AXUnknown" for a role with no match.
    static std::string_view role(AtspiRole role, bool multiLine);
    // The finer kind the core tells password fields and dialogs by.
    static std::optional<std::string_view> subrole(AtspiRole role);
};

} // namespace tarvo
