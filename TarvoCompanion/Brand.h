#pragma once

#include <string>

#include "TarvoCompanion/ButtonLook.h"
#include "TarvoCompanion/SetupButton.h"
#include "TarvoDesign/Tokens/TarvoPalette.h"

namespace tarvo {

// The two setup windows' colours and buttons: always the dark palette, whatever the desktop's
// appearance, so that both windows look alike.
struct Brand {
    static const TarvoPalette& palette();

    static const TarvoColour& bg();
    static const TarvoColour& surface();
    static const TarvoColour& accent();
    static const TarvoColour& ink();
    static const TarvoColour& ink2();
    static const TarvoColour& faint();
    static const TarvoColour& line();
    static const TarvoColour& success();
    static const TarvoColour& danger();

    // Accent-coloured title on a faint accent capsule; and the quiet one, on a faint white capsule
    // outlined by the line colour.
    static ButtonLook accentLook();
    static ButtonLook plainLook();
    static SetupButton accentButton(std::string id, std::string title) {
        return {std::move(id), std::move(title), accentLook()};
    }
    static SetupButton plainButton(std::string id, std::string title) {
        return {std::move(id), std::move(title), plainLook()};
    }
};

} // namespace tarvo
