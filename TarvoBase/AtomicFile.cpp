#include "TarvoBase/AtomicFile.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {
namespace {

[[noreturn]] void failWith(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

void writeAll(int fd, std::string_view contents, const std::string& path) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            failWith(errno, "writing " + path);
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Makes the rename itself survive a power cut. Some file systems cannot sync a folder; the new
// file is in place either way, so that is not a failure.
void syncFolder(const std::filesystem::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isOpen()) ::fsync(fd.get());
}

} // namespace

void AtomicFile::write(const std::filesystem::path& file, std::string_view contents) {
    std::string temporary = file.string() + ".XXXXXX";
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.isOpen()) failWith(errno, "creating " + temporary);
    try {
        writeAll(fd.get(), contents, temporary);
        if (::fsync(fd.get()) != 0) failWith(errno, "flushing " + temporary);
        if (const int error = fd.close(); error != 0) failWith(error, "closing " + temporary);
        if (::rename(temporary.c_str(), file.c_str()) != 0) failWith(errno, "renaming " + temporary + " to " + file.string());
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    syncFolder(file.has_parent_path() ? file.parent_path() : std::filesystem::path("."));
}

std::string AtomicFile::read(const std::filesystem::path& file) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.isOpen()) failWith(errno, "opening " + file.string());
    std::string contents;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            failWith(errno, "reading " + file.string());
        }
        if (got == 0) return contents;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace tarvo
