#include "Support/RawUploadService.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace tarvo::testing {
namespace {

// The value of the header line named `name` (with its colon), or "".
std::string headerValue(const std::string& head, const std::string& name) {
    std::size_t start = head.find("\r\n");
    while (start != std::string::npos && start + 2 < head.size()) {
        start += 2;
        const std::size_t end = head.find("\r\n", start);
        const std::string line = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.size() > name.size() && strncasecmp(line.c_str(), name.c_str(), name.size()) == 0) {
            std::size_t value = name.size();
            while (value < line.size() && line[value] == ' ') ++value;
            return line.substr(value);
        }
        start = end;
    }
    return {};
}

std::int64_t headerNumber(const std::string& head, const std::string& name) {
    return std::strtoll(headerValue(head, name).c_str(), nullptr, 10);
}

// Reads until `bytes` holds at least `size` bytes or the peer stops sending.
void readUpTo(int connection, std::string& bytes, std::size_t size) {
    char buffer[65536];
    while (bytes.size() < size) {
        const ssize_t got = ::recv(connection, buffer, std::min(sizeof buffer, size - bytes.size()), 0);
        if (got <= 0) return;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

void reply(int connection, const StepFileLedger::Answer& answer) {
    const std::string body = answer.body.dump();
    const std::string bytes = "HTTP/1.1 " + std::to_string(answer.status) + " Answer\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    ::send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

} // namespace

RawUploadService::RawUploadService(Fault fault, int putNumber)
    : fault_(fault), faultyPut_(putNumber), listening_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (listening_.get() < 0 ||
        ::bind(listening_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listening_.get(), 16) != 0 ||
        ::getsockname(listening_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("the raw upload service could not listen");
    }
    port_ = ntohs(address.sin_port);
    server_ = std::thread([this] { serve(); });
}

RawUploadService::~RawUploadService() {
    // Wakes the blocked accept.
    ::shutdown(listening_.get(), SHUT_RDWR);
    server_.join();
}

StepFileLedger RawUploadService::ledger() const {
    std::lock_guard lock(mutex_);
    return ledger_;
}

void RawUploadService::serve() {
    for (;;) {
        FileDescriptor connection(::accept(listening_.get(), nullptr, nullptr));
        if (connection.get() < 0) return;
        answer(connection.get());
    }
}

void RawUploadService::answer(int connection) {
    std::string bytes;
    std::size_t headEnd;
    char buffer[65536];
    while ((headEnd = bytes.find("\r\n\r\n")) == std::string::npos) {
        const ssize_t got = ::recv(connection, buffer, sizeof(buffer), 0);
        if (got <= 0) return;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    const std::string head = bytes.substr(0, headEnd);
    std::string body = bytes.substr(headEnd + 4);

    std::lock_guard lock(mutex_);
    if (head.starts_with("GET ")) {
        const StepFileLedger::Answer state{200, ledger_.state()};
        ledger_.exchanges.push_back({"GET", std::nullopt, state, true});
        reply(connection, state);
        return;
    }
    const auto length = static_cast<std::size_t>(headerNumber(head, "content-length:"));
    const bool faulty = ++puts_ == faultyPut_;
    const std::size_t kept = faulty && fault_ == Fault::keepPartOfTheBody ? length / 2 : length;
    readUpTo(connection, body, kept);
    if (body.size() > kept) body.resize(kept);
    StepFileLedger::Chunk chunk{headerNumber(head, "x-tarvo-offset:"), headerNumber(head, "x-tarvo-total:"),
                                headerValue(head, "x-tarvo-sha256:"), std::move(body)};
    const StepFileLedger::Answer answer = ledger_.put(chunk);
    ledger_.exchanges.push_back({"PUT", std::move(chunk), answer, !faulty});
    // Closing with the rest of a body unread makes the kernel reset the connection.
    if (!faulty) reply(connection, answer);
}

} // namespace tarvo::testing
