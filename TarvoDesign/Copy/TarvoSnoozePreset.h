#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tarvo {

// When a snoozed card comes back. A preset is identified by its wire value.
enum class TarvoSnoozePreset {
    inAnHour,
    thisEvening,
    tomorrowMorning,
    monday,
    theyReply,
    atDesk,
};

inline constexpr std::array<TarvoSnoozePreset, 6> tarvoSnoozePresetCases{
    TarvoSnoozePreset::inAnHour, TarvoSnoozePreset::thisEvening, TarvoSnoozePreset::tomorrowMorning,
    TarvoSnoozePreset::monday,   TarvoSnoozePreset::theyReply,   TarvoSnoozePreset::atDesk,
};

// The wire value, which is also the preset's id: "in_an_hour" for inAnHour.
std::string_view rawValue(TarvoSnoozePreset preset);
std::string_view label(TarvoSnoozePreset preset);
// The preset with exactly that wire value.
std::optional<TarvoSnoozePreset> tarvoSnoozePreset(std::string_view rawValue);

} // namespace tarvo
