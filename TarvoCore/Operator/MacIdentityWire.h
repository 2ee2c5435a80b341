#pragma once

#include <string_view>

#include "TarvoBase/Json.h"
#include "TarvoCore/Operator/MacHardware.h"

namespace tarvo {

// The identity object the heartbeat sends as "device" and pairing merges into its start body.
class MacIdentityWire {
public:
    // "installId" always; each hardware field only when known. Whether a battery is present is
    // never sent.
    static Json fields(std::string_view installId, const MacHardware& hardware);
};

} // namespace tarvo
