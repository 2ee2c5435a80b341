#include "TarvoDesign/Channels/TarvoChannelHandoff.h"

#include "TarvoDesign/Channels/FoundIn.h"

namespace tarvo {

const std::map<std::string, std::string, std::less<>>& TarvoChannelHandoff::openLabels() {
    static const std::map<std::string, std::string, std::less<>> table{{"linkedin", "Open LinkedIn"}};
    return table;
}

bool TarvoChannelHandoff::has(std::string_view kind) { return openLabels().contains(kind); }

std::optional<std::string> TarvoChannelHandoff::openLabel(std::string_view kind) {
    return foundIn(openLabels(), kind);
}

} // namespace tarvo
