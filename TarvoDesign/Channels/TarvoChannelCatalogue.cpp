#include "TarvoDesign/Channels/TarvoChannelCatalogue.h"

#include "TarvoDesign/Channels/ChannelKindRow.h"
#include "TarvoDesign/Channels/FoundIn.h"

namespace tarvo {

const std::array<std::string_view, 21>& TarvoChannelCatalogue::kinds() {
    static const auto made = [] {
        std::array<std::string_view, 21> kinds;
        for (std::size_t index = 0; index < kinds.size(); ++index) kinds[index] = ChannelKindRow::all()[index].kind;
        return kinds;
    }();
    return made;
}

const std::map<std::string, ChannelFacts, std::less<>>& TarvoChannelCatalogue::all() {
    static const auto table = [] {
        std::map<std::string, ChannelFacts, std::less<>> made;
        for (const ChannelKindRow& row : ChannelKindRow::all()) {
            made.emplace(row.kind, ChannelFacts{std::string(row.label), row.isDevice, true});
        }
        return made;
    }();
    return table;
}

std::optional<ChannelFacts> TarvoChannelCatalogue::facts(std::string_view kind) {
    return foundIn(all(), kind);
}

} // namespace tarvo
