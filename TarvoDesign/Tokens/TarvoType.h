#pragma once

#include "TarvoDesign/Tokens/TarvoTypeStep.h"

namespace tarvo {

// The type scale, largest first.
struct TarvoType {
    static constexpr TarvoTypeStep display1{104, 46, 0.94, 600, "display", false};
    static constexpr TarvoTypeStep display2{44, 28, 1.06, 600, "display", false};
    static constexpr TarvoTypeStep display3{40, 32, 1.05, 600, "display", false};
    static constexpr TarvoTypeStep title{22, 20, 1.2, 600, "display", false};
    static constexpr TarvoTypeStep heading{17, 16, 1.3, 600, "body", false};
    static constexpr TarvoTypeStep bodyLarge{16.5, 16, 1.6, 400, "body", false};
    static constexpr TarvoTypeStep body{15, 15, 1.6, 400, "body", false};
    static constexpr TarvoTypeStep small{14.5, 14, 1.55, 400, "body", false};
    static constexpr TarvoTypeStep caption{13, 13, 1.55, 400, "body", false};
    static constexpr TarvoTypeStep eyebrow{12.5, 11.5, 1.5, 400, "body", false};
};

} // namespace tarvo
