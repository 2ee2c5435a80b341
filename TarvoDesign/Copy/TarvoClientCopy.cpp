#include "TarvoDesign/Copy/TarvoClientCopy.h"

#include "TarvoDesign/DeploymentValues.h"

namespace tarvo {

const std::string_view TarvoClientCopy::Computer::chromeLink = deploymentValues::chromeLink;
const std::string_view TarvoClientCopy::Computer::safariLink = deploymentValues::safariLink;

const std::map<std::string, SocialRowCopy, std::less<>>& TarvoClientCopy::socialRows() {
    static const std::map<std::string, SocialRowCopy, std::less<>> rows{
        {"instagram_business",
         {"Business and Creator accounts, connected with Instagram’s own sign-in.",
          "A personal account? Switching to a free Creator or Business account takes about a minute: in Instagram, open Settings, then Account type and tools, then Switch to professional account."}},
        {"messenger_business",
         {"A Facebook Page’s messages, connected with Facebook’s own sign-in.",
          "Needs a Facebook Page you manage. Messages to a personal profile do not reach a Page."}},
        {"tiktok_business",
         {"TikTok Business accounts, connected with TikTok’s own sign-in.",
          "A personal account? Switching to a free Business account takes about a minute: in TikTok, open Settings and privacy, then Account, then Switch to Business Account."}},
        {"instagram",
         {"A personal Instagram account.",
          "Instagram Business is the official way, and switching a personal account over takes about a minute."}},
        {"messenger",
         {"Your personal Messenger.",
          std::nullopt}},
        {"tiktok",
         {"A personal TikTok account.",
          "TikTok Business is the official way, and switching a personal account over takes about a minute."}},
    };
    return rows;
}

} // namespace tarvo
