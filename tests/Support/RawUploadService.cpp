#include "Support/RawUploadService.h"

#include <strings.h>
#include <sys/socket.h>

#include <cstdlib>

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

void reply(int connection, const StepFileLedger::Answer& answer) {
    const std::string body = answer.body.dump();
    const std::string bytes = "HTTP/1.1 " + std::to_string(answer.status) + " Answer\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    ::send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

} // namespace

StepFileLedger RawUploadService::ledger() const {
    std::lock_guard lock(mutex_);
    return ledger_;
}

void RawUploadService::answer(int connection) {
    const auto request = LoopbackAcceptor::readHead(connection);
    if (!request) return;
    const std::string& head = request->head;

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
    std::string body = request->bodyStart;
    LoopbackAcceptor::readBody(connection, body, kept);
    if (body.size() > kept) body.resize(kept);
    StepFileLedger::Chunk chunk{headerNumber(head, "x-tarvo-offset:"), headerNumber(head, "x-tarvo-total:"),
                                headerValue(head, "x-tarvo-sha256:"), std::move(body)};
    const StepFileLedger::Answer answer = ledger_.put(chunk);
    ledger_.exchanges.push_back({"PUT", std::move(chunk), answer, !faulty});
    // Closing with the rest of a body unread makes the kernel reset the connection.
    if (!faulty) reply(connection, answer);
}

} // namespace tarvo::testing
