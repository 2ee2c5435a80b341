#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tarvo {

// What the desktop does with a file the panel saved: where downloads go, how a file is marked as
// downloaded, what type the system gives a name, and how a file is opened or shown. Lives on the
// main loop.
class SavedFiles {
public:
    virtual ~SavedFiles() = default;

    // The user's Downloads folder; it may not exist yet.
    virtual std::filesystem::path downloadsFolder() const = 0;

    // Marks `file` as downloaded from `origin`, started on the page `referrer`. The description of
    // the failure when the mark could not be set, nothing once it is.
    virtual std::optional<std::string> markDownloaded(const std::filesystem::path& file,
                                                      const std::optional<std::string>& origin,
                                                      const std::optional<std::string>& referrer) = 0;

    // The type the system gives a file name ending in "." and `extension` (lower case); nothing
    // when it knows none.
    virtual std::optional<std::string> typeOfExtension(const std::string& extension) const = 0;

    // With the file's default application. Neither reports a failure.
    virtual void open(const std::filesystem::path& file) = 0;
    // Shows the file selected in the file manager.
    virtual void reveal(const std::filesystem::path& file) = 0;
};

} // namespace tarvo
