#include "TarvoBase/AtomicFile.h"

#include <system_error>

#include <fcntl.h>

#include "TarvoBase/FileCalls.h"

namespace tarvo {
namespace {

void writeAll(int fd, std::string_view contents) {
    while (!contents.empty()) contents.remove_prefix(FileCalls::write(fd, contents.data(), contents.size()));
}

// Makes the rename itself survive a power cut. Some file systems cannot sync a folder; the new
// file is in place either way, so that is not a failure.
void syncFolder(const std::filesystem::path& folder) {
    try {
        FileCalls::fsync(FileCalls::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC).get());
    } catch (const std::system_error&) {
    }
}

} // namespace

void AtomicFile::write(const std::filesystem::path& file, std::string_view contents) {
    std::string temporary = file.string() + ".XXXXXX";
    FileDescriptor fd = FileCalls::makeTemporary(temporary, O_CLOEXEC);
    try {
        writeAll(fd.get(), contents);
        FileCalls::fsync(fd.get());
        if (const int error = fd.close(); error != 0) {
            throw std::filesystem::filesystem_error("close", temporary, std::error_code(error, std::generic_category()));
        }
        FileCalls::rename(temporary, file);
    } catch (...) {
        try {
            FileCalls::unlink(temporary);
        } catch (const std::system_error&) {
        }
        throw;
    }
    syncFolder(file.has_parent_path() ? file.parent_path() : std::filesystem::path("."));
}

std::string AtomicFile::read(const std::filesystem::path& file) {
    const FileDescriptor fd = FileCalls::open(file, O_RDONLY | O_CLOEXEC);
    std::string contents;
    char buffer[65536];
    while (const std::size_t got = FileCalls::read(fd.get(), buffer, sizeof buffer)) contents.append(buffer, got);
    return contents;
}

} // namespace tarvo
