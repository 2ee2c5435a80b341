#include "TarvoCore/WhatsApp/Stage.h"

#include <array>
#include <utility>

namespace tarvo::WhatsAppWeb {
namespace {

struct Names {
    Stage stage;
    std::string_view name;
    std::string_view rawValue;
};

constexpr std::array<Names, 5> stages{{
    {Stage::chatListMissing, "chatListMissing", "chat list not found"},
    {Stage::noChatRows, "noChatRows", "chat list has no rows"},
    {Stage::firstLook, "firstLook", "first look on this Mac — read the newest few, noted the rest"},
    {Stage::nothingChanged, "nothingChanged", "no conversation has changed since the last look"},
    {Stage::read, "read", "read"},
}};

} // namespace

std::string_view rawValue(Stage stage) {
    for (const auto& names : stages) {
        if (names.stage == stage) return names.rawValue;
    }
    return {};
}

std::string_view name(Stage stage) {
    for (const auto& names : stages) {
        if (names.stage == stage) return names.name;
    }
    return {};
}

std::optional<Stage> stageFromRawValue(std::string_view text) {
    for (const auto& names : stages) {
        if (names.rawValue == text) return names.stage;
    }
    return std::nullopt;
}

std::optional<Stage> stageFromName(std::string_view name) {
    for (const auto& names : stages) {
        if (names.name == name) return names.stage;
    }
    return std::nullopt;
}

} // namespace tarvo::WhatsAppWeb
