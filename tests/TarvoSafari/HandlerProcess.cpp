#include "TarvoSafari/HandlerProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarvo::testing {
namespace {

struct Pipe {
    FileDescriptor read;
    FileDescriptor write;
};

Pipe makePipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
    return {FileDescriptor(ends[0]), FileDescriptor(ends[1])};
}

} // namespace

HandlerProcess::HandlerProcess(const std::filesystem::path& executable) {
    // A write to a handler that has ended must fail, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    Pipe input = makePipe();
    Pipe output = makePipe();
    Pipe error = makePipe();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.read.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output.write.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, error.write.get(), STDERR_FILENO);
    std::string path = executable.string();
    std::vector<char*> argv{path.data(), nullptr};
    const int failed = ::posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw std::system_error(failed, std::generic_category(), "posix_spawn " + path);
    input_ = std::move(input.write);
    output_ = std::move(output.read);
    error_ = std::move(error.read);
    outputDrainer_ = std::thread([this] { drain(output_.get(), outputBytes_, outputEnded_); });
    errorDrainer_ = std::thread([this] { drain(error_.get(), errorBytes_, errorEnded_); });
}

HandlerProcess::~HandlerProcess() {
    input_.reset();
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    outputDrainer_.join();
    errorDrainer_.join();
}

void HandlerProcess::drain(int fd, std::string& into, bool& ended) {
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        std::lock_guard lock(mutex_);
        if (count <= 0) {
            ended = true;
            grew_.notify_all();
            return;
        }
        into.append(buffer, static_cast<std::size_t>(count));
        grew_.notify_all();
    }
}

bool HandlerProcess::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(input_.get(), bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

void HandlerProcess::closeInput() { input_.reset(); }

std::optional<std::string> HandlerProcess::nextFrame(std::chrono::seconds silence) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (outputBytes_.size() >= sizeof(std::uint32_t)) {
            std::uint32_t length = 0;
            std::memcpy(&length, outputBytes_.data(), sizeof length);
            if (outputBytes_.size() >= sizeof length + length) {
                std::string message = outputBytes_.substr(sizeof length, length);
                outputBytes_.erase(0, sizeof length + length);
                return message;
            }
        }
        if (outputEnded_) return std::nullopt;
        const std::size_t before = outputBytes_.size();
        if (!grew_.wait_for(lock, silence, [&] { return outputEnded_ || outputBytes_.size() != before; })) {
            return std::nullopt;
        }
    }
}

int HandlerProcess::exitStatus() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    std::unique_lock lock(mutex_);
    grew_.wait(lock, [&] { return outputEnded_ && errorEnded_; });
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string HandlerProcess::unreadOutput() const {
    std::lock_guard lock(mutex_);
    return outputBytes_;
}

std::string HandlerProcess::standardError() const {
    std::lock_guard lock(mutex_);
    return errorBytes_;
}

std::string HandlerProcess::header(std::uint32_t length) {
    std::string bytes(sizeof length, '\0');
    std::memcpy(bytes.data(), &length, sizeof length);
    return bytes;
}

std::string HandlerProcess::frame(std::string_view message) {
    return header(static_cast<std::uint32_t>(message.size())) + std::string(message);
}

} // namespace tarvo::testing
