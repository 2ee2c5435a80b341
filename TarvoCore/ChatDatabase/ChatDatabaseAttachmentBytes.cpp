#include "TarvoCore/ChatDatabase/ChatDatabase.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const char* what, const std::string& path) {
    throw fs::filesystem_error(what, path, std::error_code(errno, std::generic_category()));
}

} // namespace

std::optional<ChatDatabase::Bytes> ChatDatabase::attachmentBytes(const std::string& path, std::int64_t limit) {
    std::error_code ignored;
    if (!fs::exists(path, ignored)) return std::nullopt;
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) fail("cannot open the attachment", path);

    const std::size_t most = limit < 0 ? 0 : static_cast<std::size_t>(limit) + 1;
    Bytes bytes(std::min<std::size_t>(most, 1 << 16));
    std::size_t have = 0;
    while (have < most) {
        if (have == bytes.size()) bytes.resize(std::min(most, bytes.size() * 2));
        const ssize_t got = ::read(file.get(), bytes.data() + have, bytes.size() - have);
        if (got < 0) {
            if (errno == EINTR) continue;
            fail("cannot read the attachment", path);
        }
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    if (have == 0 || have == most) return std::nullopt;
    bytes.resize(have);
    return bytes;
}

} // namespace tarvo
