#include "TarvoBase/PrivateFolder.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>

#include <fmt/format.h>

#include "TarvoBase/FileCalls.h"
#include "TarvoBase/Uuid.h"

namespace fs = std::filesystem;

namespace tarvo {
namespace {

constexpr mode_t ownerOnlyFolder = 0700;
constexpr mode_t ownerOnlyFile = 0600;

} // namespace

FileDescriptor PrivateFolder::openUserFolder(const fs::path& userFolder, bool make) {
    if (!userFolder.is_absolute()) throw Unsafe("this computer gives Tarvo no private folder to write it in");
    if (make) {
        fs::path partial;
        for (const fs::path& piece : userFolder) {
            partial /= piece;
            FileCalls::makeFolder(partial, ownerOnlyFolder);
        }
    }
    return FileCalls::open(userFolder, O_PATH | O_DIRECTORY);
}

FileDescriptor PrivateFolder::ownFolder(const FileDescriptor& parent, const std::string& name, const fs::path& path,
                                        bool make) {
    if (make && FileCalls::makeFolderAt(parent, name, ownerOnlyFolder)) {
        FileCalls::changeModeAt(parent, name, ownerOnlyFolder);
    }
    const auto entry = FileCalls::entryStatusAt(parent, name);
    if (!entry) throw std::system_error(ENOENT, std::generic_category(), name);
    if (S_ISLNK(entry->st_mode)) throw Unsafe(path.string() + " is a symbolic link");
    if (!S_ISDIR(entry->st_mode)) throw Unsafe(path.string() + " is not a folder");
    FileDescriptor folder = FileCalls::openAt(parent, name, O_PATH | O_DIRECTORY | O_NOFOLLOW);
    const FileCalls::Status opened = FileCalls::status(folder);
    if (opened.st_dev != entry->st_dev || opened.st_ino != entry->st_ino) {
        throw Unsafe(path.string() + " was replaced while it was checked");
    }
    if (opened.st_uid != FileCalls::effectiveUser()) throw Unsafe(path.string() + " belongs to another user");
    if ((opened.st_mode & 0777) != ownerOnlyFolder) {
        throw Unsafe(
            fmt::format("{} has permissions {:04o} where only 0700 is safe", path.string(), opened.st_mode & 0777));
    }
    return folder;
}

void PrivateFolder::writeReplacing(const FileDescriptor& folder, const std::string& name, std::string_view data) {
    const std::string temporary = ".staging-" + Uuid::random().lowercased();
    FileDescriptor file =
        FileCalls::openAt(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, ownerOnlyFile);
    try {
        FileCalls::writeAll(file, data);
        FileCalls::changeMode(file, ownerOnlyFile);
        if (const int error = file.close(); error != 0) {
            throw std::system_error(error, std::generic_category(), temporary);
        }
        FileCalls::renameAt(folder, temporary, name);
    } catch (const std::system_error&) {
        // A part-written file would only wait for somebody to clear it away.
        try {
            FileCalls::removeAt(folder, temporary, false);
        } catch (const std::system_error&) {
        }
        throw;
    }
}

} // namespace tarvo
