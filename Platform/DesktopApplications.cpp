#include "Platform/DesktopApplications.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "Platform/DesktopEntry.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

constexpr std::string_view suffix = ".desktop";

// The entry in `file` when it is an application that may be started; an unreadable one is none.
std::optional<DesktopApplications::Entry> startable(const std::filesystem::path& file, std::string id) {
    std::string text;
    try {
        text = AtomicFile::read(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (DesktopEntry::value(text, "Type") != "Application") return std::nullopt;
    if (DesktopEntry::value(text, "Hidden") == "true") return std::nullopt;
    DesktopApplications::Entry entry;
    entry.name = DesktopEntry::value(text, "Name").value_or(id);
    entry.startupWMClass = DesktopEntry::value(text, "StartupWMClass");
    entry.exec = DesktopEntry::value(text, "Exec").value_or("");
    entry.id = std::move(id);
    entry.file = file;
    return entry;
}

// Each entry file below `applications`, with its id, by name.
std::vector<std::pair<std::string, std::filesystem::path>> entryFiles(const std::filesystem::path& applications) {
    std::vector<std::pair<std::string, std::filesystem::path>> files;
    std::error_code error;
    std::filesystem::recursive_directory_iterator walk(applications, error);
    for (const std::filesystem::recursive_directory_iterator end; !error && walk != end; walk.increment(error)) {
        const std::filesystem::path& path = walk->path();
        const std::string name = path.filename().string();
        if (!name.ends_with(suffix) || name.size() == suffix.size()) continue;
        std::error_code ignored;
        if (!walk->is_regular_file(ignored)) continue;
        std::string id = path.lexically_relative(applications).string();
        id.resize(id.size() - suffix.size());
        std::ranges::replace(id, '/', '-');
        files.emplace_back(std::move(id), path);
    }
    std::ranges::sort(files);
    return files;
}

} // namespace

std::vector<DesktopApplications::Entry> DesktopApplications::list() const {
    std::vector<Entry> entries;
    std::set<std::string> seen;
    for (const auto& folder : dataFolders_) {
        for (auto& [id, file] : entryFiles(folder / "applications")) {
            if (!seen.insert(id).second) continue;
            if (auto entry = startable(file, id)) entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

std::optional<DesktopApplications::Entry> DesktopApplications::withId(std::string_view id) const {
    if (id.ends_with(suffix)) id.remove_suffix(suffix.size());
    if (id.empty() || id.find('/') != std::string_view::npos || id.starts_with('.')) return std::nullopt;
    const std::string fileName = std::string(id) + std::string(suffix);
    for (const auto& folder : dataFolders_) {
        const auto file = folder / "applications" / fileName;
        std::error_code ignored;
        if (!std::filesystem::exists(file, ignored)) continue;
        // The first folder that has the id decides, a hidden entry too.
        return startable(file, std::string(id));
    }
    return std::nullopt;
}

const DesktopApplications::Entry* DesktopApplications::ofWindowClass(const std::vector<Entry>& entries,
                                                                     std::string_view wmClass) {
    if (wmClass.empty()) return nullptr;
    const std::string wanted = Text::lowercased(wmClass);
    const auto found = std::ranges::find_if(
        entries, [&](const Entry& entry) { return Text::lowercased(entry.startupWMClass.value_or(entry.id)) == wanted; });
    return found == entries.end() ? nullptr : &*found;
}

} // namespace tarvo
