#include "TarvoCore/Companion/IngestedRecently.h"

namespace tarvo {

void IngestedRecently::forget(Date before) {
    std::erase_if(dates_, [before](const auto& entry) { return entry.second < before; });
}

} // namespace tarvo
