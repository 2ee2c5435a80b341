#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tarvo {

// One blocking HTTP exchange. Implementations must allow several transfers at once from
// different threads; the service client runs each on the worker pool.
class HttpTransport {
public:
    // Header names and values in the order they go on the wire.
    using Headers = std::vector<std::pair<std::string, std::string>>;

    struct Request {
        std::string method;
        std::string url;
        Headers headers;
        std::optional<std::string> body;
        std::chrono::seconds timeout{60};
    };

    struct Response {
        int status = 0;
        std::string body;

        bool operator==(const Response&) const = default;
    };

    // The exchange did not produce an HTTP answer; the text is the transport's own account.
    class Failure : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    virtual ~HttpTransport() = default;

    // Answers whatever status the other end gave; redirects are answers, not followed.
    virtual Response perform(const Request& request) = 0;
};

} // namespace tarvo
