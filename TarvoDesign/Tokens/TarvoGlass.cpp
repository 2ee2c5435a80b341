#include "TarvoDesign/Tokens/TarvoGlass.h"

namespace tarvo {

const TarvoGlass TarvoGlass::dark = {
    .fill = {1.0, 1.0, 1.0, 0.045},
    .fillMedium = {1.0, 1.0, 1.0, 0.075},
    .fillStrong = {1.0, 1.0, 1.0, 0.11},
    .fillFlat = {0.117647, 0.109804, 0.105882, 1.0},
    .sheen = {1.0, 1.0, 1.0, 0.1},
    .rimStrong = {1.0, 1.0, 1.0, 0.14},
    .rimSoft = {1.0, 1.0, 1.0, 0.08},
    .rimAccentStrong = {0.988235, 0.443137, 0.12549, 0.4},
    .rimAccentSoft = {0.988235, 0.443137, 0.12549, 0.17},
    .hair = {0.972549, 0.960784, 0.941176, 0.07},
    .skeleton = {0.972549, 0.960784, 0.941176, 0.1},
    .accentSoft = {0.988235, 0.443137, 0.12549, 0.14},
    .accentLine = {0.988235, 0.443137, 0.12549, 0.32},
};

const TarvoGlass TarvoGlass::light = {
    .fill = {1.0, 1.0, 1.0, 0.3},
    .fillMedium = {1.0, 1.0, 1.0, 0.46},
    .fillStrong = {1.0, 1.0, 1.0, 0.62},
    .fillFlat = {0.988235, 0.984314, 0.976471, 1.0},
    .sheen = {1.0, 1.0, 1.0, 0.92},
    .rimStrong = {1.0, 1.0, 1.0, 0.75},
    .rimSoft = {1.0, 1.0, 1.0, 0.5},
    .rimAccentStrong = {0.988235, 0.443137, 0.12549, 0.32},
    .rimAccentSoft = {0.988235, 0.443137, 0.12549, 0.14},
    .hair = {0.098039, 0.090196, 0.07451, 0.07},
    .skeleton = {0.098039, 0.090196, 0.07451, 0.1},
    .accentSoft = {0.988235, 0.443137, 0.12549, 0.14},
    .accentLine = {0.988235, 0.443137, 0.12549, 0.32},
};

} // namespace tarvo
