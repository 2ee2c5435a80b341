#pragma once

#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo::testing {

// A listening socket on 127.0.0.1 whose connections are handed, one at a time and in order, to
// `answer` on a thread of its own; each connection is closed once answered. Stopping waits for the
// answer in hand, so an owner declares this after everything `answer` touches.
class LoopbackAcceptor {
public:
    explicit LoopbackAcceptor(std::function<void(int connection)> answer);
    ~LoopbackAcceptor();

    LoopbackAcceptor(const LoopbackAcceptor&) = delete;
    LoopbackAcceptor& operator=(const LoopbackAcceptor&) = delete;

    int port() const { return port_; }
    std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // A request's head (up to its blank line, left out) and whatever of its body came with it;
    // nothing when the peer stopped first.
    struct Head {
        std::string head;
        std::string bodyStart;
    };
    static std::optional<Head> readHead(int connection);
    // Reads on until `body` holds `size` bytes or the peer stops sending.
    static void readBody(int connection, std::string& body, std::size_t size);

private:
    void serve();

    std::function<void(int)> answer_;
    FileDescriptor listening_;
    int port_ = 0;
    std::thread server_;
};

} // namespace tarvo::testing
