#include "TarvoBase/FileDescriptor.h"

#include <cerrno>

#include <unistd.h>

namespace tarvo {

void FileDescriptor::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

int FileDescriptor::close() {
    if (fd_ < 0) return 0;
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
}

} // namespace tarvo
