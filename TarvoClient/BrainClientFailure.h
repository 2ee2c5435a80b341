#pragma once

#include <exception>
#include <optional>
#include <string>

namespace tarvo {

// The failure of any call to the service; every caller words it its own way or shows
// `description()`.
class BrainClientFailure : public std::exception {
public:
    enum class Kind { http, transport, decoding, notSignedIn };

    static BrainClientFailure http(int status, std::string code, std::string message);
    static BrainClientFailure transport(std::string detail);
    static BrainClientFailure decoding(std::string detail);
    static BrainClientFailure notSignedIn();

    // The failure `error` holds, when it is one of these.
    static std::optional<BrainClientFailure> held(const std::exception_ptr& error);

    Kind kind() const { return kind_; }
    // Only `http` has a status, a code and a message; only `transport` and `decoding` a detail.
    int status() const { return status_; }
    const std::string& code() const { return code_; }
    const std::string& message() const { return message_; }
    const std::string& detail() const { return detail_; }

    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    // True when this Mac's sign-in is dead rather than the call having met a passing fault.
    bool isSessionGone() const;

    bool operator==(const BrainClientFailure& other) const;

private:
    BrainClientFailure(Kind kind, int status, std::string code, std::string message, std::string detail);

    Kind kind_;
    int status_;
    std::string code_;
    std::string message_;
    std::string detail_;
    std::string description_;
};

} // namespace tarvo
