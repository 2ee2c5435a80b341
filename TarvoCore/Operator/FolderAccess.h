#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCore/Operator/FoundFile.h"
#include "TarvoCore/Operator/FoundFiles.h"

namespace tarvo {

// Rules for the folder names the service sends, turned into places under the user's home folder,
// and for what a walk of such a folder keeps and how it words the system's refusals.
class FolderAccess {
public:
    // The longest folder name, in UTF-16 code units.
    static constexpr std::size_t maxLength = 255;
    // The query term that matches every name.
    static constexpr std::string_view everything = "*";
    // The top folders the system guards with a consent of their own, in order.
    static constexpr std::array<std::string_view, 3> protectedFolders{"Desktop", "Documents", "Downloads"};

    // A found file and the date it was added to its folder, when the file system knows it.
    struct Found {
        FoundFile file;
        std::optional<std::chrono::system_clock::time_point> added;
    };

    // A relative name of 1 to `maxLength` units, without control characters, that neither begins
    // nor ends with "/", does not begin with "~", and has no empty, "." or ".." part. Such a name
    // can only lead below the folder it is joined to.
    static bool isValid(std::string_view name);
    // The folder a valid name names under `home`: "iCloud Drive" leads into iCloud Drive; a
    // hidden part or the Library folder leads nowhere.
    static std::optional<std::string> path(std::string_view of, std::string_view home);
    // Every term of the query but "*" occurs in the name, case and diacritics ignored.
    static bool matches(std::string_view name, std::string_view query);
    // "Desktop", "Documents" or "Downloads" when the path is that folder or lies in it.
    static std::optional<std::string> protectedFolder(std::string_view of, std::string_view home);
    // What to tell the user when the system would not open a folder or file: the consent for a
    // protected folder, else Full Disk Access.
    static std::string refusedSentence(const std::optional<std::string>& protectedName);
    // The system refused access (EPERM or EACCES), said by the error itself or by an error nested
    // in it.
    static bool isRefusal(const std::exception& error);
    // Newest first by the date added, else the modification date; equal dates keep their order.
    // At least one file is kept, however small the limit.
    static FoundFiles newest(std::vector<Found> found, int limit);
};

} // namespace tarvo
