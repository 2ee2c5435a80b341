#pragma once

#include <exception>
#include <string>

namespace tarvo {

// Why a pairing call failed, worded for the person pairing this Mac.
class PairingClientFailure : public std::exception {
public:
    enum class Kind { transport, refused };

    // "Could not reach Tarvo: " and the text.
    static PairingClientFailure transport(std::string text);
    // The text itself.
    static PairingClientFailure refused(std::string text);

    Kind kind() const { return kind_; }
    const std::string& text() const { return text_; }

    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const PairingClientFailure& other) const {
        return kind_ == other.kind_ && text_ == other.text_;
    }

private:
    PairingClientFailure(Kind kind, std::string text, std::string description);

    Kind kind_;
    std::string text_;
    std::string description_;
};

} // namespace tarvo
