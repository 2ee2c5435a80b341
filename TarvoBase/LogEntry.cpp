#include "TarvoBase/LogEntry.h"

namespace tarvo {
namespace {

// The conversion after a "%{...}" mark: "s", "d" or "ld".
std::size_t conversionLength(std::string_view rest) {
    if (rest.starts_with("ld")) return 2;
    if (rest.starts_with("s") || rest.starts_with("d")) return 1;
    return 0;
}

} // namespace

std::string LogEntry::text(bool showPrivate) const {
    std::string out;
    const std::string_view pattern = format;
    std::size_t next = 0;
    std::size_t at = 0;
    while (at < pattern.size()) {
        const std::size_t mark = pattern.find("%{", at);
        const std::size_t close = mark == std::string_view::npos ? mark : pattern.find('}', mark);
        if (close == std::string_view::npos) break;
        const std::size_t conversion = conversionLength(pattern.substr(close + 1));
        if (conversion == 0 || next >= arguments.size()) break;
        out.append(pattern.substr(at, mark - at));
        const LogArgument& argument = arguments[next++];
        out.append(argument.isPublic() || showPrivate ? argument.text() : "<private>");
        at = close + 1 + conversion;
    }
    out.append(pattern.substr(at));
    return out;
}

} // namespace tarvo
