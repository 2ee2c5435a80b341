#include "Platform/DesktopEntry.h"

#include <stdexcept>
#include <utility>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

bool needsExecEscape(char c) { return c == '"' || c == '`' || c == '$' || c == '\\'; }

// A string value's own escapes, applied after the Exec quoting.
std::string escapedString(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\n': escaped += "\\n"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        default: escaped.push_back(c);
        }
    }
    return escaped;
}

std::string unescapedString(std::string_view text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain.push_back(text[i]);
            continue;
        }
        switch (text[++i]) {
        case 's': plain.push_back(' '); break;
        case 'n': plain.push_back('\n'); break;
        case 't': plain.push_back('\t'); break;
        case 'r': plain.push_back('\r'); break;
        case '\\': plain.push_back('\\'); break;
        default:
            plain.push_back('\\');
            plain.push_back(text[i]);
        }
    }
    return plain;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

struct Word {
    std::string text;
    bool quoted = false;
};

std::vector<Word> words(std::string_view exec) {
    std::vector<Word> found;
    std::optional<Word> current;
    bool inQuotes = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else if (c == '\\' && i + 1 < exec.size() && needsExecEscape(exec[i + 1])) {
                current->text.push_back(exec[++i]);
            } else {
                current->text.push_back(c);
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (current) found.push_back(std::move(*std::exchange(current, std::nullopt)));
        } else {
            if (!current) current.emplace();
            if (c == '"') {
                inQuotes = true;
                current->quoted = true;
            } else {
                current->text.push_back(c);
            }
        }
    }
    if (current) found.push_back(std::move(*current));
    return found;
}

std::string withoutPercentEscapes(const std::string& word) {
    std::string plain;
    for (std::size_t i = 0; i < word.size(); ++i) {
        plain.push_back(word[i]);
        if (word[i] == '%' && i + 1 < word.size() && word[i + 1] == '%') ++i;
    }
    return plain;
}

} // namespace

std::string DesktopEntry::quotedArgument(std::string_view argument) {
    if (!Text::isWellFormedUtf8(argument) || argument.find('\0') != std::string_view::npos) {
        throw std::invalid_argument("a desktop entry can only hold UTF-8 text");
    }
    std::string quoted = "\"";
    for (const char c : argument) {
        if (needsExecEscape(c)) quoted.push_back('\\');
        quoted.push_back(c);
        if (c == '%') quoted.push_back('%');
    }
    quoted.push_back('"');
    return escapedString(quoted);
}

std::optional<std::string> DesktopEntry::value(std::string_view text, std::string_view key) {
    bool inGroup = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.starts_with('[')) {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos || trimmed(line.substr(0, equals)) != key) continue;
        return unescapedString(trimmed(line.substr(equals + 1)));
    }
    return std::nullopt;
}

namespace {

// The Exec value's arguments with `address` in place of %u and %U, when there is one.
std::vector<std::string> argumentsFor(std::string_view exec, const std::optional<std::string>& address) {
    std::vector<std::string> arguments;
    bool addressPlaced = false;
    for (Word& word : words(exec)) {
        if (word.quoted) {
            arguments.push_back(withoutPercentEscapes(word.text));
        } else if (address && (word.text == "%u" || word.text == "%U")) {
            arguments.push_back(*address);
            addressPlaced = true;
        } else if (!(word.text.size() == 2 && word.text[0] == '%' && word.text[1] != '%')) {
            arguments.push_back(withoutPercentEscapes(word.text));
        }
    }
    if (address && !arguments.empty() && !addressPlaced) arguments.push_back(*address);
    return arguments;
}

} // namespace

std::vector<std::string> DesktopEntry::arguments(std::string_view exec, const std::string& address) {
    return argumentsFor(exec, address);
}

std::vector<std::string> DesktopEntry::arguments(std::string_view exec) { return argumentsFor(exec, std::nullopt); }

} // namespace tarvo
