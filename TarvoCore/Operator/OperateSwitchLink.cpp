#include "TarvoCore/Operator/OperateSwitchLink.h"

#include "TarvoCore/Operator/LinkParts.h"

namespace tarvo {

bool OperateSwitchLink::matches(std::string_view link) {
    const auto parts = LinkParts::of(link);
    if (!parts || parts->empty() || parts->size() > 2 || (*parts)[0] != "operate") return false;
    return parts->size() == 1 || (*parts)[1] == "on";
}

} // namespace tarvo
