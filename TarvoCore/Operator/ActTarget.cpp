#include "TarvoCore/Operator/ActTarget.h"

#include "TarvoCore/Operator/AXSnapshot.h"
#include "TarvoCore/Operator/ActPolicy.h"

namespace tarvo {

std::string ActTarget::name() const {
    if (auto spoken = ActPolicy::spokenName(*this)) return *std::move(spoken);
    return role.value_or("control");
}

bool ActTarget::isSecure() const { return AXSnapshot::isSecure(role, subrole); }

} // namespace tarvo
