#include "TarvoCore/Relay/OutgoingFiles.h"

#include <climits>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>

#include <fmt/format.h>

#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/HexString.h"
#include "TarvoBase/PrivateFolder.h"
#include "TarvoBase/Sha256.h"
#include "TarvoBase/Text.h"

namespace fs = std::filesystem;

namespace tarvo {
namespace {

constexpr std::string_view stagingName = "outgoing";

// A name longer than this (in UTF-8 bytes) is shortened.
constexpr std::size_t longestKeptName = 200;
constexpr std::size_t shortenedCharacters = 60;
// What the file system takes as one name, whatever the characters.
constexpr std::size_t longestName = NAME_MAX;

FileDescriptor ownFolder(const FileDescriptor& parent, const std::string& name, const fs::path& path, bool make) {
    try {
        return PrivateFolder::ownFolder(parent, name, path, make);
    } catch (const PrivateFolder::Unsafe& unsafe) {
        throw OutgoingFilesFailure::couldNotStage(unsafe.what());
    }
}

FileDescriptor openUserFolder(const fs::path& userFolder, bool make) {
    try {
        return PrivateFolder::openUserFolder(userFolder, make);
    } catch (const PrivateFolder::Unsafe& unsafe) {
        throw OutgoingFilesFailure::couldNotStage(unsafe.what());
    }
}

// Removes the entry and, for a folder, everything in it; a link is removed, never followed.
bool removeEntry(const FileDescriptor& folder, const std::string& name) {
    try {
        const auto entry = FileCalls::entryStatusAt(folder, name);
        if (!entry || !S_ISDIR(entry->st_mode)) {
            FileCalls::removeAt(folder, name, false);
            return true;
        }
        const FileDescriptor inner = FileCalls::openAt(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        for (const std::string& innerName : FileCalls::names(inner)) removeEntry(inner, innerName);
        FileCalls::removeAt(folder, name, true);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

std::optional<OutgoingFiles::Date> modificationDate(const FileDescriptor& folder, const std::string& name) {
    try {
        const auto entry = FileCalls::entryStatusAt(folder, name);
        if (!entry) return std::nullopt;
        const auto sinceEpoch = std::chrono::seconds(entry->st_mtim.tv_sec) +
                                std::chrono::nanoseconds(entry->st_mtim.tv_nsec);
        return OutgoingFiles::Date(std::chrono::duration_cast<OutgoingFiles::Date::duration>(sinceEpoch));
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

// The name's last non-empty "/"-separated piece, or the whole name when it has none.
std::string_view lastPiece(std::string_view name) {
    std::size_t end = name.size();
    while (end > 0 && name[end - 1] == '/') --end;
    if (end == 0) return name;
    const std::size_t slash = name.rfind('/', end - 1);
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    return name.substr(start, end - start);
}

// The first characters of a long name, with its extension kept. Characters with many bytes
// (emoji, letters under many marks) are cut short of the file system's limit on one name.
std::string shortened(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    std::string suffix = dot == std::string::npos || dot == 0 || dot + 1 == name.size() ? "" : name.substr(dot);
    if (suffix.size() > longestName / 2) suffix.clear();
    std::string prefix;
    std::size_t taken = 0;
    for (const std::string& character : Text::graphemes(name)) {
        if (taken == shortenedCharacters || prefix.size() + character.size() + suffix.size() > longestName) break;
        prefix += character;
        ++taken;
    }
    if (prefix.empty()) prefix = "attachment";
    return prefix + suffix;
}

} // namespace

OutgoingFiles::OutgoingFiles(fs::path userFolder)
    : userFolder_(std::move(userFolder)),
      directory_(userFolder_ / std::string(bundleIdentifier) / std::string(stagingName)) {}

fs::path OutgoingFiles::stage(const std::string& jobId, int fileIndex, const std::string& filename,
                              std::string_view data) const {
    const std::string folderName = OutgoingFiles::folderName(jobId, fileIndex);
    const std::string fileName = safeFilename(filename);
    const fs::path folderPath = directory_ / folderName;
    fs::path working = userFolder_;
    try {
        const FileDescriptor user = openUserFolder(userFolder_, true);
        working = directory_.parent_path();
        const FileDescriptor bundle = ownFolder(user, std::string(bundleIdentifier), working, true);
        working = directory_;
        const FileDescriptor staging = ownFolder(bundle, std::string(stagingName), working, true);
        working = folderPath;
        const FileDescriptor folder = ownFolder(staging, folderName, working, true);
        working = folderPath / fileName;
        PrivateFolder::writeReplacing(folder, fileName, data);
        return working;
    } catch (const std::system_error& error) {
        throw Failure::couldNotStage(working.string() + ": " + error.code().message());
    }
}

int OutgoingFiles::sweep(Seconds olderThan, Date now) const {
    try {
        const FileDescriptor user = openUserFolder(userFolder_, false);
        const FileDescriptor bundle = ownFolder(user, std::string(bundleIdentifier), directory_.parent_path(), false);
        const FileDescriptor staging = ownFolder(bundle, std::string(stagingName), directory_, false);
        const FileDescriptor listing = FileCalls::openAt(staging, ".", O_RDONLY | O_DIRECTORY);
        int removed = 0;
        for (const std::string& name : FileCalls::names(listing)) {
            if (name.starts_with('.')) continue;
            const std::optional<Date> modified = modificationDate(listing, name);
            if (modified && now - *modified <= olderThan) continue;
            if (removeEntry(listing, name)) ++removed;
        }
        return removed;
    } catch (const std::exception&) {
        return 0;
    }
}

// A digest of the id, since cleaning an id into a name could make two ids one.
std::string OutgoingFiles::folderName(std::string_view jobId, int fileIndex) {
    const Sha256::Digest digest = Sha256::of(jobId);
    return fmt::format("job-{}-{}", hexString(std::span(digest).first(16)), fileIndex);
}

std::string OutgoingFiles::safeFilename(std::string_view name) {
    std::string piece(lastPiece(name));
    for (char& byte : piece) {
        if (byte == '\0' || byte == '/' || byte == ':') byte = '_';
    }
    const std::string trimmed = Text::trimmingWhitespaceAndNewlines(piece);
    if (trimmed.empty() || trimmed == "." || trimmed == "..") return "attachment";
    if (trimmed.size() <= longestKeptName) return trimmed;
    return shortened(trimmed);
}

} // namespace tarvo
