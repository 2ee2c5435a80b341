#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace tarvo {

// One value placed into a named log line, with its privacy mark. A private value is shown only
// where private data is being recorded; other sinks redact it.
class LogArgument {
public:
    using Value = std::variant<std::string, std::int64_t, bool>;

    static LogArgument publicText(std::string_view text) { return LogArgument(std::string(text), true); }
    static LogArgument privateText(std::string_view text) { return LogArgument(std::string(text), false); }
    static LogArgument publicInteger(std::int64_t value) { return LogArgument(value, true); }
    static LogArgument publicBoolean(bool value) { return LogArgument(value, true); }

    const Value& value() const { return value_; }
    bool isPublic() const { return isPublic_; }

    // The value as the line shows it: text as it is, an integer in decimal, a boolean as
    // "true" or "false".
    std::string text() const;

    bool operator==(const LogArgument&) const = default;

private:
    LogArgument(Value value, bool isPublic) : value_(std::move(value)), isPublic_(isPublic) {}

    Value value_;
    bool isPublic_;
};

} // namespace tarvo
