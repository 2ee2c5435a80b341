#pragma once

#include <vector>

#include "TarvoCompanion/MenuItem.h"
#include "TarvoCore/Companion/SafariSetup.h"

namespace tarvo {

// The menu's entry for the browser extension: nothing when it is not carried, else a divider
// and one button to its settings, titled with its "on" line once the browser says it is on.
struct SafariMenuItem {
    static std::vector<MenuItem> items(SafariSetup setup);
};

} // namespace tarvo
