#include "TarvoCore/WhatsApp/DataId.h"

namespace tarvo::WhatsAppWeb {

std::optional<DataId> parseDataId(std::string_view id) {
    const auto first = id.find('_');
    const auto last = id.rfind('_');
    if (first == std::string_view::npos || first == last) return std::nullopt;
    const auto head = id.substr(0, first);
    const auto middle = id.substr(first + 1, last - first - 1);
    const auto tail = id.substr(last + 1);
    if (middle.empty() || tail.empty() || (head != "true" && head != "false")) return std::nullopt;
    return DataId{head == "true", std::string(middle), std::string(tail)};
}

} // namespace tarvo::WhatsAppWeb
