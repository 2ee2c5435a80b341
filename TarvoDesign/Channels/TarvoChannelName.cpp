#include "TarvoDesign/Channels/TarvoChannelName.h"

#include "TarvoDesign/Channels/ChannelKindRow.h"

namespace tarvo {

const std::map<std::string, std::string, std::less<>>& TarvoChannelName::labels() {
    static const auto table = [] {
        std::map<std::string, std::string, std::less<>> made;
        for (const ChannelKindRow& row : ChannelKindRow::all()) made.emplace(row.kind, row.label);
        return made;
    }();
    return table;
}

std::string TarvoChannelName::label(std::string_view kind) {
    const auto found = labels().find(kind);
    return found == labels().end() ? std::string(kind) : found->second;
}

} // namespace tarvo
