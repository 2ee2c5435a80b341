#include "TarvoDesign/Channels/ChannelKindRow.h"

namespace tarvo {
namespace {

constexpr std::string_view attachYourself = "Attach the file yourself before you send \u2014 we only write the reply.";
constexpr std::string_view messengerAsText =
    "Messenger replies go out as text from here. Send the photo or file in Messenger yourself.";

// The byte limits are exact: 26214400 is 25 MiB and 5242880 is 5 MiB, while the others are
// decimal.
constexpr std::array<ChannelKindRow, 21> rows{{
    {"custom", "Custom channel", false, "full", "full", "full", "full", true, 10000000, {}},
    {"gmail", "Gmail", false, "full", "full", "full", "full", true, 25000000, {}},
    {"outlook", "Outlook", false, "full", "full", "full", "full", true, 3000000, {}},
    {"slack", "Slack", false, "full", "full", "full", "full", true, 26214400, {}},
    {"teams", "Teams", false, "full", "full", "full", "full", false, 0,
     "Teams replies go out as text from here. Send the file in Teams yourself."},
    {"whatsapp_business", "WhatsApp Business", false, "full", "full", "full", "full", true, 5242880, {}},
    {"calendar", "Calendar", false, "full", "full", "full", "full", false, 0,
     "Calendar invitations do not carry attachments."},
    {"imessage", "iMessage", true, "none", "full", "none", "none", true, 26214400, {}},
    {"sms", "SMS", true, "none", "full", "none", "full", true, 1000000, {}},
    {"whatsapp", "WhatsApp", true, "none", "full", "none", "full", false, 0,
     "WhatsApp will not accept a file from Tarvo yet \u2014 send this one in WhatsApp yourself. Your words still go "
     "from here."},
    {"linkedin", "LinkedIn", true, "none", "none", "assist", "none", false, 0, attachYourself},
    {"telegram", "Telegram", false, "full", "full", "full", "full", true, 26214400, {}},
    {"signal", "Signal", true, "none", "none", "none", "none", false, 0, attachYourself},
    {"instagram", "Instagram", true, "none", "none", "none", "none", false, 0, attachYourself},
    {"x", "X", true, "none", "none", "none", "none", false, 0, attachYourself},
    {"reddit", "Reddit", true, "none", "none", "none", "none", false, 0, attachYourself},
    {"instagram_business", "Instagram Business", false, "full", "full", "full", "full", false, 0,
     "Instagram Business replies go out as text from here. Send the photo or file in Instagram yourself."},
    {"messenger_business", "Messenger (Page)", false, "full", "full", "full", "full", false, 0, messengerAsText},
    {"tiktok_business", "TikTok Business", false, "full", "full", "full", "full", false, 0,
     "TikTok Business replies go out as text from here. Send the photo or file in TikTok yourself."},
    {"messenger", "Messenger", true, "none", "none", "none", "none", false, 0, messengerAsText},
    {"tiktok", "TikTok", true, "none", "none", "none", "none", false, 0,
     "TikTok replies go out as text from here. Send the photo or file in TikTok yourself."},
}};

} // namespace

const std::array<ChannelKindRow, 21>& ChannelKindRow::all() { return rows; }

} // namespace tarvo
