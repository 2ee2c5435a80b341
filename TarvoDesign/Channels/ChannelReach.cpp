#include "TarvoDesign/Channels/ChannelReach.h"

namespace tarvo {
namespace {

bool serves(const std::string& reach) { return reach == "full" || reach == "assist"; }

} // namespace

bool ChannelReach::connectableHere() const { return onPhone == "full"; }

std::optional<std::string> ChannelReach::companion() const {
    if (onPhone == "full") return std::nullopt;
    if (serves(onMac)) return "mac";
    if (serves(onExtension)) return "extension";
    if (serves(onAndroid)) return "android";
    return std::nullopt;
}

} // namespace tarvo
