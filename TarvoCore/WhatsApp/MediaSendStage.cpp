#include "TarvoCore/WhatsApp/MediaSendStage.h"

#include <array>
#include <utility>

namespace tarvo::WhatsAppWeb {
namespace {

constexpr std::array<std::pair<MediaSendStage, std::string_view>, 8> stages{{
    {MediaSendStage::decode, "decode"},
    {MediaSendStage::attachMenu, "attachMenu"},
    {MediaSendStage::fileInput, "fileInput"},
    {MediaSendStage::notAccepted, "notAccepted"},
    {MediaSendStage::dataTransfer, "dataTransfer"},
    {MediaSendStage::preview, "preview"},
    {MediaSendStage::confirm, "confirm"},
    {MediaSendStage::sent, "sent"},
}};

} // namespace

std::string_view rawValue(MediaSendStage stage) {
    for (const auto& [each, name] : stages) {
        if (each == stage) return name;
    }
    return {};
}

std::optional<MediaSendStage> mediaSendStageFromRawValue(std::string_view text) {
    for (const auto& [each, name] : stages) {
        if (name == text) return each;
    }
    return std::nullopt;
}

} // namespace tarvo::WhatsAppWeb
