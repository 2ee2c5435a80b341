#include "TarvoDesign/Channels/TarvoRecallWindows.h"

namespace tarvo {

const std::vector<RecallWindow>& TarvoRecallWindows::all() {
    static const std::vector<RecallWindow> windows{
        {0, "Immediately"}, {8, "8 seconds"}, {15, "15 seconds"}, {30, "30 seconds"}, {120, "2 minutes"},
    };
    return windows;
}

} // namespace tarvo
