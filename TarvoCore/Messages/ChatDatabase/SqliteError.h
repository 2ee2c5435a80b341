#pragma once

#include <exception>
#include <string>

namespace tarvo {

// A statement that SQLite refused to prepare, bind or step, with SQLite's own message.
class SqliteError : public std::exception {
public:
    explicit SqliteError(std::string message) : message_(std::move(message)) {}

    const std::string& description() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

} // namespace tarvo
