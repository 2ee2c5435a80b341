#include "TarvoDesign/Copy/TarvoSnoozePreset.h"

namespace tarvo {

std::string_view rawValue(TarvoSnoozePreset preset) {
    switch (preset) {
    case TarvoSnoozePreset::inAnHour: return "in_an_hour";
    case TarvoSnoozePreset::thisEvening: return "this_evening";
    case TarvoSnoozePreset::tomorrowMorning: return "tomorrow_morning";
    case TarvoSnoozePreset::monday: return "monday";
    case TarvoSnoozePreset::theyReply: return "they_reply";
    case TarvoSnoozePreset::atDesk: return "at_desk";
    }
    return {};
}

std::string_view label(TarvoSnoozePreset preset) {
    switch (preset) {
    case TarvoSnoozePreset::inAnHour: return "In an hour";
    case TarvoSnoozePreset::thisEvening: return "This evening";
    case TarvoSnoozePreset::tomorrowMorning: return "Tomorrow morning";
    case TarvoSnoozePreset::monday: return "Monday";
    case TarvoSnoozePreset::theyReply: return "When they reply again";
    case TarvoSnoozePreset::atDesk: return "When I'm at my desk";
    }
    return {};
}

std::optional<TarvoSnoozePreset> tarvoSnoozePreset(std::string_view raw) {
    for (const TarvoSnoozePreset preset : tarvoSnoozePresetCases) {
        if (rawValue(preset) == raw) return preset;
    }
    return std::nullopt;
}

} // namespace tarvo
