#pragma once

#include <exception>
#include <string>

namespace tarvo {

// Why the Messages database could not be read; `description()` is the sentence shown to the
// user and sent to the service.
class ChatDatabaseFailure : public std::exception {
public:
    enum class Kind { permissionDenied, notFound, schemaChanged, query };

    static ChatDatabaseFailure permissionDenied(std::string path);
    static ChatDatabaseFailure notFound(std::string path);
    static ChatDatabaseFailure schemaChanged(std::string detail);
    static ChatDatabaseFailure query(std::string detail);

    Kind kind() const { return kind_; }
    // The path or detail the failure carries.
    const std::string& text() const { return text_; }
    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const ChatDatabaseFailure& other) const {
        return kind_ == other.kind_ && text_ == other.text_;
    }

private:
    ChatDatabaseFailure(Kind kind, std::string text);

    Kind kind_;
    std::string text_;
    std::string description_;
};

} // namespace tarvo
