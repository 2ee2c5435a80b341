#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include <sys/types.h>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo::testing {

// The extension handler as the browser runs it: a child process whose standard input, output
// and error are three pipes of their own. Both outputs are drained all along.
class HandlerProcess {
public:
    explicit HandlerProcess(const std::filesystem::path& executable);
    ~HandlerProcess();

    HandlerProcess(const HandlerProcess&) = delete;
    HandlerProcess& operator=(const HandlerProcess&) = delete;

    // False when the handler no longer reads its input.
    bool write(std::string_view bytes);
    void closeInput();

    // The next frame on standard output, or none when the output ended or stayed silent for
    // `silence` first.
    std::optional<std::string> nextFrame(std::chrono::seconds silence = std::chrono::seconds(20));

    // Waits for the handler to end, gives its exit code (-1 when a signal ended it) and keeps
    // the rest of both outputs.
    int exitStatus();
    // All of standard output not yet taken as frames, and all of standard error.
    std::string unreadOutput() const;
    std::string standardError() const;

    // A frame as the browser writes one: the length in the machine's byte order, then the bytes.
    static std::string frame(std::string_view message);
    static std::string header(std::uint32_t length);

private:
    void drain(int fd, std::string& into, bool& ended);

    pid_t pid_ = -1;
    FileDescriptor input_;
    FileDescriptor output_;
    FileDescriptor error_;
    mutable std::mutex mutex_;
    std::condition_variable grew_;
    std::string outputBytes_;
    std::string errorBytes_;
    bool outputEnded_ = false;
    bool errorEnded_ = false;
    std::thread outputDrainer_;
    std::thread errorDrainer_;
};

} // namespace tarvo::testing
