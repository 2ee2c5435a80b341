#include "TarvoCore/Operator/MacSettingPane.h"

#include "TarvoCore/Operator/LinkParts.h"

namespace tarvo {

std::string_view MacSettingPane::rawValue() const {
    switch (value_) {
    case fullDiskAccess: return "fullDiskAccess";
    case accessibility: return "accessibility";
    case filesAndFolders: return "filesAndFolders";
    case screenRecording: return "screenRecording";
    case automation: return "automation";
    }
    return {};
}

std::string_view MacSettingPane::anchor() const {
    switch (value_) {
    case fullDiskAccess: return "Privacy_AllFiles";
    case accessibility: return "Privacy_Accessibility";
    case filesAndFolders: return "Privacy_FilesAndFolders";
    case screenRecording: return "Privacy_ScreenCapture";
    case automation: return "Privacy_Automation";
    }
    return {};
}

std::string MacSettingPane::url() const {
    return std::string(securityPanes) + std::string(anchor());
}

std::optional<MacSettingPane> MacSettingPane::fromRawValue(std::string_view rawValue) {
    for (const MacSettingPane pane : allCases) {
        if (pane.rawValue() == rawValue) return pane;
    }
    return std::nullopt;
}

std::optional<MacSettingPane> MacSettingPane::from(std::string_view link) {
    const auto parts = LinkParts::of(link);
    if (!parts || parts->size() != 2 || (*parts)[0] != "settings") return std::nullopt;
    return fromRawValue((*parts)[1]);
}

bool MacSettingPane::shouldReport(std::optional<std::chrono::system_clock::time_point> openedAt,
                                  std::chrono::system_clock::time_point now) {
    if (!openedAt) return false;
    const std::chrono::duration<double> since = now - *openedAt;
    return since.count() >= 0 && since <= returnWindowSeconds;
}

} // namespace tarvo
