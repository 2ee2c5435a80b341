#include "Support/RawHttpCapture.h"

#include <strings.h>
#include <sys/socket.h>

#include <cstdlib>

namespace tarvo::testing {
namespace {

std::vector<std::string> splitLines(const std::string& head) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < head.size()) {
        std::size_t end = head.find("\r\n", start);
        if (end == std::string::npos) end = head.size();
        lines.push_back(head.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::size_t contentLength(const std::vector<std::string>& lines) {
    static const std::string name = "content-length:";
    for (const auto& line : lines) {
        if (line.size() > name.size() && strncasecmp(line.c_str(), name.c_str(), name.size()) == 0) {
            return std::strtoull(line.c_str() + name.size(), nullptr, 10);
        }
    }
    return 0;
}

} // namespace

std::vector<RawHttpCapture::Captured> RawHttpCapture::captured() const {
    std::lock_guard lock(mutex_);
    return captured_;
}

void RawHttpCapture::answer(int connection) {
    const auto head = LoopbackAcceptor::readHead(connection);
    if (!head) return;
    Captured request{splitLines(head->head), head->bodyStart};
    LoopbackAcceptor::readBody(connection, request.body, contentLength(request.lines));
    {
        std::lock_guard lock(mutex_);
        captured_.push_back(std::move(request));
    }
    static const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}";
    ::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
}

} // namespace tarvo::testing
