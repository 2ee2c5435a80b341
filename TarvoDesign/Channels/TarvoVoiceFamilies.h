#pragma once

#include <vector>

#include "TarvoDesign/Channels/VoiceFamily.h"

namespace tarvo {

struct TarvoVoiceFamilies {
    // The 15 families, in order; only "email" and "slack" group two kinds.
    static const std::vector<VoiceFamily>& all();
};

} // namespace tarvo
