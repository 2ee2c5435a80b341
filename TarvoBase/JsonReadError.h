#pragma once

#include <exception>
#include <string>

namespace tarvo {

// A JSON record that does not have the shape its reader asks for. The description names the
// member and what is wrong with it; callers turn it into their own failure value.
class JsonReadError : public std::exception {
public:
    explicit JsonReadError(std::string description) : description_(std::move(description)) {}

    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    std::string description_;
};

} // namespace tarvo
