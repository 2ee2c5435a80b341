#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// A privacy pane of System Settings that operating needs the user to visit.
class MacSettingPane {
public:
    enum Case { fullDiskAccess, accessibility, filesAndFolders, screenRecording, automation };

    static constexpr std::array<Case, 5> allCases{fullDiskAccess, accessibility, filesAndFolders, screenRecording,
                                                  automation};
    // A return to the application this soon after opening a pane reports the new permissions.
    static constexpr std::chrono::duration<double> returnWindowSeconds{600.0};
    // The deep link of the privacy panes, before a pane's anchor.
    static constexpr std::string_view securityPanes = "x-apple.systempreferences:com.apple.preference.security?";

    constexpr MacSettingPane(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    // Equal to the case name.
    std::string_view rawValue() const;
    std::string_view anchor() const;
    // The System Settings deep link that opens the pane.
    std::string url() const;

    // Exactly one of the raw values, compared case-sensitively.
    static std::optional<MacSettingPane> fromRawValue(std::string_view rawValue);
    // The pane a link tarvo://settings/<pane> names.
    static std::optional<MacSettingPane> from(std::string_view link);
    // A clock that went backwards since the opening never reports.
    static bool shouldReport(std::optional<std::chrono::system_clock::time_point> openedAt,
                             std::chrono::system_clock::time_point now);

private:
    Case value_;
};

} // namespace tarvo
