#pragma once

#include <utility>

namespace tarvo {

// Owns one open file descriptor and closes it when it goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }

    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }

    // Closes the descriptor held (if any) and holds `fd` instead.
    void reset(int fd = -1);

    // Closes now and gives the error number of the close, 0 when it succeeded: a failed close
    // can be the first news of a failed write.
    int close();

private:
    int fd_ = -1;
};

} // namespace tarvo
