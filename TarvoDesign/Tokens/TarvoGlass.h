#pragma once

#include "TarvoDesign/Tokens/TarvoColour.h"

namespace tarvo {

// The thirteen mostly translucent colours of glass surfaces, in a dark and a light set.
struct TarvoGlass {
    TarvoColour fill;
    TarvoColour fillMedium;
    TarvoColour fillStrong;
    TarvoColour fillFlat;
    TarvoColour sheen;
    TarvoColour rimStrong;
    TarvoColour rimSoft;
    TarvoColour rimAccentStrong;
    TarvoColour rimAccentSoft;
    TarvoColour hair;
    TarvoColour skeleton;
    TarvoColour accentSoft;
    TarvoColour accentLine;

    bool operator==(const TarvoGlass&) const = default;

    static const TarvoGlass dark;
    static const TarvoGlass light;
};

} // namespace tarvo
