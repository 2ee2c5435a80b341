#include "TarvoDesign/Channels/TarvoVoiceFamilies.h"

namespace tarvo {

const std::vector<VoiceFamily>& TarvoVoiceFamilies::all() {
    static const std::vector<VoiceFamily> families{
        {"email", {"gmail", "outlook"}, "professional"},
        {"slack", {"slack", "teams"}, "work_casual"},
        {"linkedin", {"linkedin"}, "professional"},
        {"whatsapp", {"whatsapp"}, "conversational"},
        {"whatsapp_business", {"whatsapp_business"}, "work_casual"},
        {"telegram", {"telegram"}, "conversational"},
        {"imessage", {"imessage"}, "conversational"},
        {"sms", {"sms"}, "conversational"},
        {"custom", {"custom"}, "professional"},
        {"instagram", {"instagram"}, "conversational"},
        {"instagram_business", {"instagram_business"}, "work_casual"},
        {"messenger", {"messenger"}, "conversational"},
        {"messenger_business", {"messenger_business"}, "work_casual"},
        {"tiktok", {"tiktok"}, "conversational"},
        {"tiktok_business", {"tiktok_business"}, "work_casual"},
    };
    return families;
}

} // namespace tarvo
