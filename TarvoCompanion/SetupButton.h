#pragma once

#include <string>

#include "TarvoCompanion/ButtonLook.h"

namespace tarvo {

// A button of a setup window: the id it is pressed by, its title and its look.
struct SetupButton {
    std::string id;
    std::string title;
    ButtonLook look;

    bool operator==(const SetupButton&) const = default;
};

} // namespace tarvo
