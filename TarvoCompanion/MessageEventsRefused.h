#pragma once

#include <exception>
#include <string>

namespace tarvo {

// The service answered a batch of message events with a status outside 200...299. The
// description names the status and the answer's "code" when it gives one as text; the rest of
// the answer never reaches the log.
class MessageEventsRefused : public std::exception {
public:
    MessageEventsRefused(int status, std::string body);

    int status() const { return status_; }
    const std::string& body() const { return body_; }

    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    int status_;
    std::string body_;
    std::string description_;
};

} // namespace tarvo
