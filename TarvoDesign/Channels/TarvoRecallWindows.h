#pragma once

#include <vector>

#include "TarvoDesign/Channels/RecallWindow.h"

namespace tarvo {

struct TarvoRecallWindows {
    // In ascending order of seconds, from 0.
    static const std::vector<RecallWindow>& all();
};

} // namespace tarvo
