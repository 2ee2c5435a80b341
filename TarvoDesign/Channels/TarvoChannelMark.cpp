#include "TarvoDesign/Channels/TarvoChannelMark.h"

#include "TarvoDesign/Channels/FoundIn.h"
#include "TarvoDesign/DeploymentValues.h"

namespace tarvo {

const std::map<std::string, std::string, std::less<>>& TarvoChannelMark::files() {
    using namespace deploymentValues;
    static const std::map<std::string, std::string, std::less<>> table{
        {"calendar", std::string(markCalendar)},
        {"gmail", std::string(markGmail)},
        {"imessage", std::string(markImessage)},
        {"instagram", std::string(markInstagram)},
        {"instagram_business", std::string(markInstagram)},
        {"linkedin", std::string(markLinkedin)},
        {"messenger", std::string(markMessenger)},
        {"messenger_business", std::string(markMessenger)},
        {"outlook", std::string(markOutlook)},
        {"outlook_calendar", std::string(markOutlook)},
        {"slack", std::string(markSlack)},
        {"sms", std::string(markImessage)},
        {"teams", std::string(markTeams)},
        {"telegram", std::string(markTelegram)},
        {"tiktok", std::string(markTiktok)},
        {"tiktok_business", std::string(markTiktok)},
        {"whatsapp", std::string(markWhatsapp)},
        {"whatsapp_business", std::string(markWhatsapp)},
    };
    return table;
}

std::optional<std::string> TarvoChannelMark::file(std::string_view kind) {
    std::optional<std::string> domain = foundIn(files(), kind);
    if (domain && domain->empty()) return std::nullopt;
    return domain;
}

} // namespace tarvo
