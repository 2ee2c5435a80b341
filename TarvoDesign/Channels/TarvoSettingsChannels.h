#pragma once

#include <vector>

#include "TarvoDesign/Channels/SettingsChannelRow.h"

namespace tarvo {

struct TarvoSettingsChannels {
    // The 17 rows of the settings screen, in its order.
    static const std::vector<SettingsChannelRow>& rows();
};

} // namespace tarvo
