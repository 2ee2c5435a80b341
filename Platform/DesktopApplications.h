#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The applications installed on a Linux desktop: the entries in "applications" under each XDG
// data folder. An application is known by its desktop-file id, the entry's path below
// "applications" with "/" made "-" and without ".desktop"; of two entries with one id, the one in
// the earlier folder stands and hides the other, even when it is itself hidden. Read afresh at
// each call: entries come and go while the companion runs.
class DesktopApplications {
public:
    struct Entry {
        std::string id;
        // The entry's Name, else its id.
        std::string name;
        std::optional<std::string> startupWMClass;
        std::string exec;
        std::filesystem::path file;
        bool operator==(const Entry&) const = default;
    };

    // `dataFolders` in order of precedence (`DesktopBrowserLocator::dataFolders`).
    explicit DesktopApplications(std::vector<std::filesystem::path> dataFolders)
        : dataFolders_(std::move(dataFolders)) {}

    // Every application that may be started: Type=Application and not Hidden, in the order of the
    // folders, each folder's entries by name. A folder that cannot be read adds none.
    std::vector<Entry> list() const;

    // The application of the id `id` exactly as written (a trailing ".desktop" allowed), looked up
    // by its file without listing any folder.
    std::optional<Entry> withId(std::string_view id) const;

    // The application whose windows carry the WM_CLASS class or instance `wmClass`: the first
    // whose StartupWMClass, or without one whose id, is that name, letter case ignored.
    static const Entry* ofWindowClass(const std::vector<Entry>& entries, std::string_view wmClass);

private:
    std::vector<std::filesystem::path> dataFolders_;
};

} // namespace tarvo
