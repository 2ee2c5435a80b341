#pragma once

#include <exception>
#include <string>

namespace tarvo {

// Why Messages did not send a script's message; `description()` is the sentence shown to the
// person.
class MessagesSenderFailure : public std::exception {
public:
    enum class Kind { messagesRefused, automationDenied, messagesTimedOut };

    // `text` says what Messages or the script answered.
    static MessagesSenderFailure messagesRefused(std::string text);
    static MessagesSenderFailure automationDenied();
    // The script may still have sent, so the sentence asks the person to look before sending again.
    static MessagesSenderFailure messagesTimedOut();

    Kind kind() const { return kind_; }
    const std::string& text() const { return text_; }
    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const MessagesSenderFailure& other) const {
        return kind_ == other.kind_ && text_ == other.text_;
    }

private:
    MessagesSenderFailure(Kind kind, std::string text);

    Kind kind_;
    std::string text_;
    std::string description_;
};

} // namespace tarvo
