#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The desktop entry files through which a Linux desktop starts programs: the quoting of their
// Exec lines, both ways. An Exec line is read by the desktop, never by a shell, but it has
// quoting rules of its own; a path written into one unquoted could be split or misread.
class DesktopEntry {
public:
    // `argument` as one quoted Exec argument, escaped for a desktop entry's string value. Throws
    // std::invalid_argument when it is not UTF-8 text or holds a NUL byte, which no entry can hold.
    static std::string quotedArgument(std::string_view argument);

    // The value of `key` in the "[Desktop Entry]" group of the entry `text`, with the string
    // escapes undone; nothing when the group has no such key.
    static std::optional<std::string> value(std::string_view text, std::string_view key);

    // The program and arguments of the Exec value `exec`, started for `address`: an argument %u
    // or %U becomes the address; without one, the address is added at the end. Other field
    // codes are left out. Empty when the value names no program.
    static std::vector<std::string> arguments(std::string_view exec, const std::string& address);
    // The program and arguments of the Exec value `exec`, started with nothing to open: every
    // field code is left out.
    static std::vector<std::string> arguments(std::string_view exec);
};

} // namespace tarvo
