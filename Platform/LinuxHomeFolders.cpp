#include "Platform/LinuxHomeFolders.h"

#include <cerrno>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace tarvo {

std::optional<std::string> LinuxHomeFolders::homeFolder(const std::string& user) const {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = ::getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr || found->pw_dir == nullptr) return std::nullopt;
        return std::string(found->pw_dir);
    }
}

} // namespace tarvo
