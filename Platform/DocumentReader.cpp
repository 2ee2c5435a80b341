#include "Platform/DocumentReader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "Platform/ChildProcess.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoBase/FileDescriptor.h"

namespace tarvo {
namespace {

using Clock = std::chrono::steady_clock;

// Each page as its length in decimal, a line break and its bytes.
std::optional<std::vector<std::string>> pagesOf(std::string_view answer) {
    std::vector<std::string> pages;
    while (!answer.empty()) {
        const std::size_t newline = answer.find('\n');
        if (newline == std::string_view::npos) return std::nullopt;
        std::size_t length = 0;
        const auto [end, error] = std::from_chars(answer.data(), answer.data() + newline, length);
        if (error != std::errc() || end != answer.data() + newline || length > answer.size() - newline - 1)
            return std::nullopt;
        pages.emplace_back(answer.substr(newline + 1, length));
        answer.remove_prefix(newline + 1 + length);
    }
    if (pages.empty()) return std::nullopt;
    return pages;
}

int pollMilliseconds(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1000));
}

} // namespace

DocumentReader::DocumentReader(std::string executable, std::vector<std::string> leading, std::chrono::nanoseconds limit)
    : executable_(std::move(executable)), leading_(std::move(leading)), limit_(limit) {}

std::optional<std::vector<std::string>> DocumentReader::read(std::string_view kind, int document) const {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
    FileDescriptor answerEnd(ends[0]);
    FileDescriptor childEnd(ends[1]);
    const FileDescriptor silence = FileCalls::open("/dev/null", O_WRONLY);
    std::vector<std::string> arguments = leading_;
    arguments.emplace_back(argument);
    arguments.emplace_back(kind);
    ChildProcess child =
        ChildProcess::spawn(executable_, arguments, {.input = document, .output = childEnd.get(), .error = silence.get()}, true);
    childEnd = FileDescriptor();

    const auto deadline = Clock::now() + limit_;
    std::string answer;
    char block[65536];
    while (true) {
        if (Clock::now() >= deadline || answer.size() > answerLimit) {
            child.signal(SIGKILL);
            child.reap();
            return std::nullopt;
        }
        pollfd watched{answerEnd.get(), POLLIN, 0};
        const int ready = ::poll(&watched, 1, pollMilliseconds(deadline));
        if (ready < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "poll");
        if (ready <= 0) continue;
        const ssize_t got = ::read(answerEnd.get(), block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        answer.append(block, static_cast<std::size_t>(got));
    }
    // The answer is whole once the reader closed it; it still has to have ended well.
    const int status = child.reap();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return pagesOf(answer);
}

} // namespace tarvo
