#pragma once

#include "TarvoDesign/Tokens/TarvoColour.h"

namespace tarvo {

// How a setup window's capsule button is drawn: its title's colour and size, its padding, and
// the capsule's fill and 1-point stroke, each a colour with the opacity it is drawn at.
struct ButtonLook {
    TarvoColour text;
    double textSize = 12.5;
    // Points left and right, then above and below.
    double horizontalPadding = 16;
    double verticalPadding = 8;
    TarvoColour fill;
    double fillOpacity = 1;
    TarvoColour stroke;
    double strokeOpacity = 1;
    double strokeWidth = 1;

    bool operator==(const ButtonLook&) const = default;
};

} // namespace tarvo
