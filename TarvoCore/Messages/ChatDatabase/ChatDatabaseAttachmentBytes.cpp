#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <fcntl.h>

#include "TarvoBase/FileCalls.h"

namespace tarvo {

std::optional<ChatDatabase::Bytes> ChatDatabase::attachmentBytes(const std::string& path, std::int64_t limit) {
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) return std::nullopt;
    const FileDescriptor file = FileCalls::open(path, O_RDONLY | O_CLOEXEC);

    const std::size_t most = limit < 0 ? 0 : static_cast<std::size_t>(limit) + 1;
    Bytes bytes(std::min<std::size_t>(most, 1 << 16));
    std::size_t have = 0;
    while (have < most) {
        if (have == bytes.size()) bytes.resize(std::min(most, bytes.size() * 2));
        const std::size_t got = FileCalls::read(file.get(), bytes.data() + have, bytes.size() - have);
        if (got == 0) break;
        have += got;
    }
    if (have == 0 || have == most) return std::nullopt;
    bytes.resize(have);
    return bytes;
}

} // namespace tarvo
