#include "TarvoDesign/Channels/TarvoSettingsChannels.h"

#include <optional>
#include <string>

#include "TarvoDesign/Channels/TarvoChannelMark.h"

namespace tarvo {
namespace {

struct Connector {};
struct Device {
    std::string via;
};

SettingsChannelRow row(std::string id, std::string label, Connector, bool multi, std::string kind,
                       std::optional<std::string> calendarProvider = std::nullopt, bool offeredOnly = false) {
    std::optional<std::string> mark = TarvoChannelMark::file(id);
    return SettingsChannelRow{std::move(id), std::move(label), false, false, true, multi, std::nullopt,
                              std::move(kind), std::move(calendarProvider), std::move(mark), offeredOnly};
}

SettingsChannelRow row(std::string id, std::string label, Device device, bool offeredOnly = false) {
    std::optional<std::string> mark = TarvoChannelMark::file(id);
    std::string kind = id;
    return SettingsChannelRow{std::move(id), std::move(label), false, true, false, false, std::move(device.via),
                              std::move(kind), std::nullopt, std::move(mark), offeredOnly};
}

constexpr bool offeredOnly = true;
constexpr bool multi = true;

} // namespace

const std::vector<SettingsChannelRow>& TarvoSettingsChannels::rows() {
    static const std::vector<SettingsChannelRow> all{
        row("gmail", "Gmail", Connector{}, multi, "gmail"),
        row("calendar", "Google Calendar", Connector{}, multi, "calendar", "google"),
        row("slack", "Slack", Connector{}, multi, "slack"),
        row("whatsapp_business", "WhatsApp Business", Connector{}, !multi, "whatsapp_business"),
        row("outlook", "Outlook", Connector{}, multi, "outlook"),
        row("outlook_calendar", "Outlook Calendar", Connector{}, multi, "calendar", "microsoft"),
        row("teams", "Microsoft Teams", Connector{}, multi, "teams"),
        row("whatsapp", "WhatsApp", Device{"the companion app"}),
        row("linkedin", "LinkedIn", Device{"the Tarvo browser extension"}),
        row("telegram", "Telegram", Connector{}, !multi, "telegram"),
        row("imessage", "iMessage & SMS", Device{"the Mac companion"}),
        row("instagram_business", "Instagram Business", Connector{}, multi, "instagram_business", std::nullopt,
            offeredOnly),
        row("instagram", "Instagram", Device{"the Tarvo app on your Android phone"}, offeredOnly),
        row("messenger_business", "Messenger (Page)", Connector{}, !multi, "messenger_business", std::nullopt,
            offeredOnly),
        row("messenger", "Messenger", Device{"the Tarvo app on your Android phone"}, offeredOnly),
        row("tiktok_business", "TikTok Business", Connector{}, !multi, "tiktok_business", std::nullopt, offeredOnly),
        row("tiktok", "TikTok", Device{"the Tarvo app on your Android phone"}, offeredOnly),
    };
    return all;
}

} // namespace tarvo
