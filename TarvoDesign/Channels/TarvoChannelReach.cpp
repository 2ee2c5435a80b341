#include "TarvoDesign/Channels/TarvoChannelReach.h"

#include "TarvoDesign/Channels/ChannelKindRow.h"
#include "TarvoDesign/Channels/FoundIn.h"

namespace tarvo {

const std::map<std::string, ChannelReach, std::less<>>& TarvoChannelReach::all() {
    static const auto table = [] {
        std::map<std::string, ChannelReach, std::less<>> made;
        for (const ChannelKindRow& row : ChannelKindRow::all()) {
            made.emplace(row.kind, ChannelReach{std::string(row.onPhone), std::string(row.onMac),
                                                std::string(row.onExtension), std::string(row.onAndroid),
                                                row.isDevice});
        }
        return made;
    }();
    return table;
}

std::optional<ChannelReach> TarvoChannelReach::of(std::string_view kind) {
    return foundIn(all(), kind);
}

} // namespace tarvo
