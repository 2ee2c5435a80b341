#include "TarvoCore/Operator/MacElementInfo.h"

#include <algorithm>

#include "TarvoBase/Text.h"

namespace tarvo {

Json MacElementInfo::wire(const std::vector<MacElementInfo>& elements) {
    Json out = Json::array();
    const std::size_t count = std::min(elements.size(), limit);
    for (std::size_t index = 0; index < count; ++index) {
        const MacElementInfo& element = elements[index];
        Json object{
            {"id", element.id},
            {"role", Text::utf16Prefix(element.role, 60)},
            {"label", Text::utf16Prefix(element.label, 200)},
        };
        if (element.enabled) object["enabled"] = *element.enabled;
        out.push_back(std::move(object));
    }
    return out;
}

} // namespace tarvo
