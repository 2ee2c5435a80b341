#include "TarvoCore/Operator/MacPermissionPolicy.h"

#include <algorithm>

#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/FileReadPolicy.h"
#include "TarvoCore/Operator/FileSendWording.h"
#include "TarvoCore/Operator/MacPermissionWords.h"
#include "TarvoCore/Operator/PathParts.h"
#include "TarvoCore/Operator/RelativeFolderName.h"

namespace tarvo {
namespace {

constexpr std::string_view cloudDocs = FileReadPolicy::iCloudDrive;
constexpr std::size_t dirMaxUnits = 1024;

bool isOrIsBelow(std::string_view folder, std::string_view top) {
    return folder == top || (folder.starts_with(top) && folder.size() > top.size() && folder[top.size()] == '/');
}

std::string normalisedAppName(std::string_view name) { return Text::lowercased(Text::trimmingWhitespace(name)); }

std::string_view appTemplate(std::string_view kind) {
    if (kind == "open_app") return MacPermissionWords::macAskOpenApp;
    if (kind == "type_text") return MacPermissionWords::macAskType;
    if (kind == "key") return MacPermissionWords::macAskKey;
    if (kind == "scroll") return MacPermissionWords::macAskScroll;
    if (kind == "move_file") return MacPermissionWords::macAskMoveFile;
    if (kind == "rename_file") return MacPermissionWords::macAskRenameFile;
    return MacPermissionWords::macAskPress;
}

} // namespace

std::optional<std::string> MacPermissionPolicy::displayDir(std::string_view path, std::string_view home) {
    const std::string prefix = homePrefix(home);
    if (!path.starts_with(prefix)) return std::nullopt;
    std::string_view rest = path.substr(prefix.size());
    const std::size_t slash = rest.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? std::string_view() : rest.substr(0, slash);
    if (isOrIsBelow(folder, iCloudDrive)) return std::nullopt;
    if (isOrIsBelow(folder, cloudDocs)) return std::string(iCloudDrive) + std::string(folder.substr(cloudDocs.size()));
    return std::string(folder);
}

bool MacPermissionPolicy::isValid(std::string_view dir) {
    if (dir.empty()) return true;
    return Text::utf16Length(dir) <= dirMaxUnits && isRelativeFolderName(dir);
}

bool MacPermissionPolicy::covers(std::string_view granted, std::string_view folder) {
    if (granted.empty() || !isValid(granted) || !isValid(folder)) return false;
    return isOrIsBelow(folder, granted);
}

std::string MacPermissionPolicy::folderQuestion(std::string_view folder) {
    return MacPermissionWords::fill(MacPermissionWords::macAskFolder, {{"folder", std::string(folder)}});
}

std::string MacPermissionPolicy::appQuestion(std::string_view kind, std::string_view app) {
    return MacPermissionWords::fill(appTemplate(kind), {{"app", Text::trimmingWhitespace(app)}});
}

std::optional<MacPermissionPolicy::Hold> MacPermissionPolicy::fileHold(std::string_view path, std::string_view home,
                                                                       const MacPermit& permit) {
    if (permit.mode != MacPermissionMode::ask) return std::nullopt;
    const auto dir = displayDir(path, home);
    if (dir && !dir->empty() && isValid(*dir)) {
        const bool granted = std::ranges::any_of(permit.folders, [&](const std::string& folder) { return covers(folder, *dir); });
        if (granted) return std::nullopt;
        return Hold{folderQuestion(*dir), MacPermissionAsk::folder};
    }
    const std::string file(lastPathComponent(path));
    return Hold{MacPermissionWords::fill(MacPermissionWords::macAskHome, {{"file", file}}), std::nullopt};
}

std::optional<MacPermissionPolicy::Hold> MacPermissionPolicy::actHold(
    std::string_view kind, std::string_view named, const std::vector<std::optional<std::string>>& alsoKnownAs,
    const MacPermit& permit) {
    if (permit.mode == MacPermissionMode::auto_) return std::nullopt;
    if (std::ranges::find(grantableActions, kind) == grantableActions.end()) return std::nullopt;
    std::vector<std::string> candidates{normalisedAppName(named)};
    for (const auto& other : alsoKnownAs) {
        if (other) candidates.push_back(normalisedAppName(*other));
    }
    // An empty name names no app, so a blank grant never matches a blank name.
    const bool granted = std::ranges::any_of(permit.apps, [&](const std::string& app) {
        const std::string grant = normalisedAppName(app);
        return !grant.empty() && std::ranges::find(candidates, grant) != candidates.end();
    });
    if (granted) return std::nullopt;
    return Hold{appQuestion(kind, named), MacPermissionAsk::app};
}

std::optional<std::string> MacPermissionPolicy::sendAlwaysAsks(std::string_view name, std::int64_t bytes) {
    if (bytes < sendAskBytes) return std::nullopt;
    return "Bring \u201C" + shownFileName(name) + "\u201D back from your Mac, " + std::to_string(roundedMegabytes(bytes)) +
           " MB.";
}

} // namespace tarvo
