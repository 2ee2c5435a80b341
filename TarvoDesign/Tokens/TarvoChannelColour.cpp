#include "TarvoDesign/Tokens/TarvoChannelColour.h"

#include <algorithm>

namespace tarvo {

const std::map<std::string, TarvoColour, std::less<>> TarvoChannelColour::dark = {
    {"gmail", {0.917647, 0.262745, 0.207843, 1.0}},
    {"outlook", {0.168627, 0.533333, 0.847059, 1.0}},
    {"slack", {0.211765, 0.772549, 0.941176, 1.0}},
    {"teams", {0.545098, 0.54902, 0.780392, 1.0}},
    {"whatsapp-business", {0.145098, 0.827451, 0.4, 1.0}},
    {"calendar", {0.258824, 0.521569, 0.956863, 1.0}},
    {"imessage", {0.203922, 0.854902, 0.313725, 1.0}},
    {"sms", {0.101961, 0.45098, 0.909804, 1.0}},
    {"whatsapp", {0.145098, 0.827451, 0.4, 1.0}},
    {"linkedin", {0.247059, 0.572549, 0.862745, 1.0}},
    {"telegram", {0.14902, 0.647059, 0.894118, 1.0}},
    {"signal", {0.352941, 0.388235, 1.0, 1.0}},
    {"instagram", {1.0, 0.0, 0.411765, 1.0}},
    {"x", {0.905882, 0.890196, 0.862745, 1.0}},
    {"reddit", {1.0, 0.270588, 0.0, 1.0}},
    {"instagram-business", {1.0, 0.0, 0.411765, 1.0}},
    {"messenger-business", {0.031373, 0.4, 1.0, 1.0}},
    {"tiktok-business", {0.905882, 0.890196, 0.862745, 1.0}},
    {"messenger", {0.031373, 0.4, 1.0, 1.0}},
    {"tiktok", {0.905882, 0.890196, 0.862745, 1.0}},
};

const std::map<std::string, TarvoColour, std::less<>> TarvoChannelColour::light = [] {
    auto colours = dark;
    colours["slack"] = {0.152941, 0.564706, 0.686275, 1.0};
    colours["teams"] = {0.494118, 0.498039, 0.709804, 1.0};
    colours["linkedin"] = {0.231373, 0.537255, 0.811765, 1.0};
    colours["x"] = {0.0, 0.0, 0.0, 1.0};
    colours["tiktok-business"] = {0.0, 0.0, 0.0, 1.0};
    colours["tiktok"] = {0.0, 0.0, 0.0, 1.0};
    return colours;
}();

std::optional<TarvoColour> TarvoChannelColour::named(std::string_view key, bool light) {
    std::string spelled(key);
    std::replace(spelled.begin(), spelled.end(), '_', '-');
    const auto& colours = light ? TarvoChannelColour::light : dark;
    const auto found = colours.find(spelled);
    if (found == colours.end()) return std::nullopt;
    return found->second;
}

} // namespace tarvo
