#include "TarvoDesign/Channels/TarvoChannelAttachments.h"

#include "TarvoDesign/Channels/ChannelKindRow.h"
#include "TarvoDesign/Channels/FoundIn.h"

namespace tarvo {

const std::map<std::string, ChannelAttachments, std::less<>>& TarvoChannelAttachments::all() {
    static const auto table = [] {
        std::map<std::string, ChannelAttachments, std::less<>> made;
        for (const ChannelKindRow& row : ChannelKindRow::all()) {
            std::optional<std::string> cannotLine;
            if (!row.cannotLine.empty()) cannotLine = std::string(row.cannotLine);
            made.emplace(row.kind, ChannelAttachments{row.canAttach, std::move(cannotLine), row.maxBytes});
        }
        return made;
    }();
    return table;
}

bool TarvoChannelAttachments::canAttach(std::string_view kind) {
    const auto found = all().find(kind);
    return found != all().end() && found->second.canAttach;
}

std::optional<std::string> TarvoChannelAttachments::cannotLine(std::string_view kind) {
    const std::optional<ChannelAttachments> attachments = foundIn(all(), kind);
    return attachments ? attachments->cannotLine : std::nullopt;
}

} // namespace tarvo
