#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "TarvoBase/Task.h"

namespace tarvo {

// One HTTP exchange, run off the main loop: the awaiting task resumes on the loop that awaited
// it. Implementations allow any number of transfers at once.
class HttpTransport {
public:
    // Header names and values in the order they go on the wire.
    using Headers = std::vector<std::pair<std::string, std::string>>;

    struct Request {
        std::string method;
        std::string url;
        Headers headers;
        std::optional<std::string> body;
        // The exchange fails once no byte has been sent or received for this long.
        std::chrono::milliseconds timeout{std::chrono::seconds(60)};
    };

    struct Response {
        int status = 0;
        std::string body;
        // The values of the answer's Set-Cookie header fields, in the order they came.
        std::vector<std::string> setCookies{};

        bool operator==(const Response&) const = default;
    };

    // The exchange did not produce an HTTP answer; the text is the transport's own account.
    class Failure : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    virtual ~HttpTransport() = default;

    // Answers whatever status the other end gave; redirects are answers, not followed. A
    // failed exchange throws `Failure`.
    virtual Task<Response> perform(Request request) = 0;
};

} // namespace tarvo
