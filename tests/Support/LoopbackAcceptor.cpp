#include "Support/LoopbackAcceptor.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <stdexcept>

namespace tarvo::testing {

LoopbackAcceptor::LoopbackAcceptor(std::function<void(int connection)> answer)
    : answer_(std::move(answer)), listening_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (listening_.get() < 0 ||
        ::bind(listening_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listening_.get(), 16) != 0 ||
        ::getsockname(listening_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("the loopback server could not listen");
    }
    port_ = ntohs(address.sin_port);
    server_ = std::thread([this] { serve(); });
}

LoopbackAcceptor::~LoopbackAcceptor() {
    // Wakes the blocked accept.
    ::shutdown(listening_.get(), SHUT_RDWR);
    server_.join();
}

void LoopbackAcceptor::serve() {
    for (;;) {
        FileDescriptor connection(::accept(listening_.get(), nullptr, nullptr));
        if (connection.get() < 0) return;
        answer_(connection.get());
    }
}

std::optional<LoopbackAcceptor::Head> LoopbackAcceptor::readHead(int connection) {
    std::string bytes;
    char buffer[65536];
    std::size_t headEnd;
    while ((headEnd = bytes.find("\r\n\r\n")) == std::string::npos) {
        const ssize_t got = ::recv(connection, buffer, sizeof(buffer), 0);
        if (got <= 0) return std::nullopt;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return Head{bytes.substr(0, headEnd), bytes.substr(headEnd + 4)};
}

void LoopbackAcceptor::readBody(int connection, std::string& body, std::size_t size) {
    char buffer[65536];
    while (body.size() < size) {
        const ssize_t got = ::recv(connection, buffer, std::min(sizeof buffer, size - body.size()), 0);
        if (got <= 0) return;
        body.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace tarvo::testing
