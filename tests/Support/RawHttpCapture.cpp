#include "Support/RawHttpCapture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>

#include <cstdlib>
#include <stdexcept>

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

RawHttpCapture::RawHttpCapture() : listening_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (listening_.get() < 0 ||
        ::bind(listening_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listening_.get(), 16) != 0 ||
        ::getsockname(listening_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("the raw capture server could not listen");
    }
    port_ = ntohs(address.sin_port);
    server_ = std::thread([this] { serve(); });
}

RawHttpCapture::~RawHttpCapture() {
    // Wakes the blocked accept.
    ::shutdown(listening_.get(), SHUT_RDWR);
    server_.join();
}

std::vector<RawHttpCapture::Captured> RawHttpCapture::captured() const {
    std::lock_guard lock(mutex_);
    return captured_;
}

void RawHttpCapture::serve() {
    for (;;) {
        FileDescriptor connection(::accept(listening_.get(), nullptr, nullptr));
        if (connection.get() < 0) return;
        answer(connection.get());
    }
}

void RawHttpCapture::answer(int connection) {
    std::string bytes;
    char buffer[65536];
    std::size_t headEnd;
    while ((headEnd = bytes.find("\r\n\r\n")) == std::string::npos) {
        ssize_t got = ::recv(connection, buffer, sizeof(buffer), 0);
        if (got <= 0) return;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    Captured request{splitLines(bytes.substr(0, headEnd)), bytes.substr(headEnd + 4)};
    const std::size_t expected = contentLength(request.lines);
    while (request.body.size() < expected) {
        ssize_t got = ::recv(connection, buffer, sizeof(buffer), 0);
        if (got <= 0) break;
        request.body.append(buffer, static_cast<std::size_t>(got));
    }
    {
        std::lock_guard lock(mutex_);
        captured_.push_back(std::move(request));
    }
    static const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}";
    ::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
}

} // namespace tarvo::testing
