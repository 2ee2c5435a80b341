#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "Support/LoopbackAcceptor.h"

namespace tarvo::testing {

// A bare HTTP server on 127.0.0.1 that keeps each request's bytes exactly as they arrived, for
// what the fake service cannot show (the order of headers, headers the server library hides).
// Every request is answered 200 with the body "{}" and the connection closed.
class RawHttpCapture {
public:
    struct Captured {
        // The request line, then each header line, without line ends.
        std::vector<std::string> lines;
        std::string body;
    };

    RawHttpCapture() = default;

    std::string baseURL() const { return acceptor_.baseURL(); }

    std::vector<Captured> captured() const;

private:
    void answer(int connection);

    mutable std::mutex mutex_;
    std::vector<Captured> captured_;
    LoopbackAcceptor acceptor_{[this](int connection) { answer(connection); }};
};

} // namespace tarvo::testing
