#include "TarvoCore/Operator/RelativeFolderName.h"

#include <algorithm>

namespace tarvo {
namespace {

// In UTF-8 these code points are single bytes that never occur inside a longer sequence.
bool isControl(char byte) { return static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F; }

bool isFolderPart(std::string_view part) { return !part.empty() && part != "." && part != ".."; }

} // namespace

bool isRelativeFolderName(std::string_view name) {
    if (name.empty() || std::ranges::any_of(name, isControl)) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = name.find('/', start);
        if (!isFolderPart(name.substr(start, slash - start))) return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

} // namespace tarvo
