#include "TarvoCompanion/Brand.h"

namespace tarvo {

const TarvoPalette& Brand::palette() {
    // Copied on first use, not at start-up, so it never reads the tokens before they are made.
    static const TarvoPalette copy = TarvoPalette::dark;
    return copy;
}

const TarvoColour& Brand::bg() { return palette().bg; }
const TarvoColour& Brand::surface() { return palette().surface; }
const TarvoColour& Brand::accent() { return palette().accent; }
const TarvoColour& Brand::ink() { return palette().ink; }
const TarvoColour& Brand::ink2() { return palette().soft; }
const TarvoColour& Brand::faint() { return palette().faint; }
const TarvoColour& Brand::line() { return palette().line; }
const TarvoColour& Brand::success() { return palette().success; }
const TarvoColour& Brand::danger() { return palette().danger; }

ButtonLook Brand::accentLook() {
    return {.text = accent(), .fill = accent(), .fillOpacity = 0.14, .stroke = accent(), .strokeOpacity = 0.34};
}

ButtonLook Brand::plainLook() {
    return {.text = ink2(), .fill = {1, 1, 1, 1}, .fillOpacity = 0.06, .stroke = line(), .strokeOpacity = 1};
}

} // namespace tarvo
