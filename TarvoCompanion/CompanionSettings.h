#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "TarvoBase/SettingsStore.h"
#include "TarvoClient/BrainClient.h"

namespace tarvo {

// The companion's stored settings: where the service lives, the credentials once known, and the
// ids of the channels the service has named for this computer.
struct CompanionSettings {
    static constexpr std::string_view baseURLKey = "TarvoBaseURL";
    static constexpr std::string_view apiURLKey = "TarvoApiURL";
    static constexpr std::string_view imessageChannelIdKey = "TarvoImessageChannelId";
    static constexpr std::string_view smsChannelIdKey = "TarvoSmsChannelId";
    static constexpr std::string_view whatsappChannelIdKey = "TarvoWhatsappChannelId";

    // The service's web application and its API.
    static constexpr std::string_view builtInBaseURL = "https://tarvo.app";
    static constexpr std::string_view builtInApiURL = "https://api.tarvo.app";

    std::string baseURL;
    std::string apiURL;
    // Never read from the settings: set once the stored tokens are read, and by sign-in.
    std::optional<BrainClient::Credentials> credentials;
    std::optional<std::string> imessageChannelId;
    std::optional<std::string> smsChannelId;
    std::optional<std::string> whatsappChannelId;

    // A stored address that is not an absolute http(s) address gives way to the built-in one;
    // nothing is reported, so a bad value cannot keep the companion from its service.
    static CompanionSettings load(const SettingsStore& defaults);

    // Whether `text` is an absolute http or https address with a host, in the characters an
    // address may hold.
    static bool isServiceURL(std::string_view text);

    bool operator==(const CompanionSettings&) const = default;
};

} // namespace tarvo
