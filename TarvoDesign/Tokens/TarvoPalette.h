#pragma once

#include "TarvoDesign/Tokens/TarvoColour.h"

namespace tarvo {

// The twelve colour roles of the product's surfaces, in a dark and a light set.
struct TarvoPalette {
    TarvoColour bg;
    TarvoColour surface;
    TarvoColour surfaceRaised;
    TarvoColour line;
    TarvoColour ink;
    TarvoColour soft;
    TarvoColour faint;
    TarvoColour accent;
    TarvoColour accentInk;
    TarvoColour onAccent;
    TarvoColour success;
    TarvoColour danger;

    bool operator==(const TarvoPalette&) const = default;

    static const TarvoPalette dark;
    static const TarvoPalette light;
};

} // namespace tarvo
