#pragma once

#include "TarvoCore/Ports/Opener.h"

namespace tarvo {

// The system's settings panes, on a computer that has none: each request is logged, so that the
// user learns what the companion wanted.
class UnavailableSettingsPanes final : public Opener {
public:
    void open(const std::string& address) override;
};

} // namespace tarvo
