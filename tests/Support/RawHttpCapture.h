#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TarvoBase/FileDescriptor.h"

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

    RawHttpCapture();
    ~RawHttpCapture();

    RawHttpCapture(const RawHttpCapture&) = delete;
    RawHttpCapture& operator=(const RawHttpCapture&) = delete;

    std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port_); }

    std::vector<Captured> captured() const;

private:
    void serve();
    void answer(int connection);

    FileDescriptor listening_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<Captured> captured_;
    std::thread server_;
};

} // namespace tarvo::testing
