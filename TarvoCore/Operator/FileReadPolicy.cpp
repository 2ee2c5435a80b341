#include "TarvoCore/Operator/FileReadPolicy.h"

#include <algorithm>

#include "TarvoBase/FileCalls.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/FileSendWording.h"
#include "TarvoCore/Operator/PathParts.h"

namespace tarvo {
namespace {

template <std::size_t N>
bool holds(const std::array<std::string_view, N>& set, std::string_view lowerCased) {
    return std::ranges::find(set, lowerCased) != set.end();
}

template <std::size_t N>
bool extensionIn(const std::array<std::string_view, N>& set, std::string_view component) {
    const auto extension = pathExtension(component);
    return extension && holds(set, Text::lowercased(*extension));
}

bool isUnpressed(MacFileFolder folder) {
    return std::ranges::find(FileReadPolicy::unpressedFolders, folder) != FileReadPolicy::unpressedFolders.end();
}

std::string iCloudDriveFolder() { return std::string(FileReadPolicy::iCloudDrive) + "/"; }

} // namespace

std::optional<std::string> FileReadPolicy::denial(std::string_view path) {
    std::vector<std::string> components;
    for (std::string_view component : pathComponents(path)) components.push_back(Text::lowercased(component));
    const auto denied = std::optional<std::string>(deniedSentence);
    if (components.empty()) return denied;
    if (std::ranges::any_of(components, [](const std::string& c) { return holds(deniedFolders, c); })) return denied;
    const std::string& last = components.back();
    if (last == ".env" || last.starts_with(".env.") || holds(deniedNames, last) || extensionIn(deniedExtensions, last))
        return denied;
    return std::nullopt;
}

bool FileReadPolicy::isListable(std::string_view path, std::string_view home) {
    const std::string prefix = homePrefix(home);
    if (!path.starts_with(prefix)) return false;
    const std::string_view relative = path.substr(prefix.size());
    if (relative.starts_with("Library/") && !relative.starts_with(iCloudDriveFolder())) return false;
    for (std::string_view component : pathPieces(relative)) {
        if (component.starts_with('.') || extensionIn(packageExtensions, component)) return false;
    }
    return !denial(path);
}

MacFileFolder FileReadPolicy::folder(std::string_view of, std::string_view home) {
    const std::string prefix = homePrefix(home);
    if (!of.starts_with(prefix)) return MacFileFolder::other;
    const std::string_view relative = of.substr(prefix.size());
    if (relative.starts_with("Documents/")) return MacFileFolder::documents;
    if (relative.starts_with("Desktop/")) return MacFileFolder::desktop;
    if (relative.starts_with("Downloads/")) return MacFileFolder::downloads;
    if (relative.starts_with(iCloudDriveFolder())) return MacFileFolder::icloud;
    return MacFileFolder::other;
}

std::string FileReadPolicy::realPath(const std::string& path) {
    return FileCalls::realPath(path).value_or(path);
}

bool FileReadPolicy::isDocument(std::string_view path) {
    return extensionIn(documentExtensions, lastPathComponent(path));
}

bool FileReadPolicy::needsPressToSend(MacFileFolder folder, std::int64_t bytes) {
    return !isUnpressed(folder) || bytes >= unpressedMaxBytes;
}

std::string FileReadPolicy::sendPressSentence(std::string_view name, MacFileFolder folder, std::int64_t bytes) {
    const std::string place = isUnpressed(folder) ? "your Mac" : "outside your usual folders";
    const std::string size = bytes < unpressedMaxBytes ? "" : ", " + std::to_string(roundedMegabytes(bytes)) + " MB";
    return "Bring \u201C" + shownFileName(name) + "\u201D back from " + place + size + ".";
}

} // namespace tarvo
