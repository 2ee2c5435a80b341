#include "TarvoCore/Operator/MacPermissionWords.h"

namespace tarvo {
namespace {

// The value of the placeholder that begins `text`, when `text` begins with one that has a value.
const std::pair<const std::string, std::string>* placeholderAt(std::string_view text,
                                                                const std::map<std::string, std::string>& values) {
    const std::size_t close = text.find('}');
    if (close == std::string_view::npos) return nullptr;
    const auto found = values.find(std::string(text.substr(1, close - 1)));
    return found == values.end() ? nullptr : &*found;
}

} // namespace

std::string MacPermissionWords::fill(std::string_view text, const std::map<std::string, std::string>& values) {
    std::string out;
    std::size_t index = 0;
    while (index < text.size()) {
        const std::size_t open = text.find('{', index);
        out += text.substr(index, open - index);
        if (open == std::string_view::npos) break;
        const auto* placeholder = placeholderAt(text.substr(open), values);
        if (placeholder) {
            out += placeholder->second;
            index = open + placeholder->first.size() + 2;
        } else {
            out += '{';
            index = open + 1;
        }
    }
    return out;
}

} // namespace tarvo
