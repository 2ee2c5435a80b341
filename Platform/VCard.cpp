#include "Platform/VCard.h"

#include <algorithm>
#include <cctype>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

// Joins folded lines: a line break followed by a blank or a tab continues the line before.
std::vector<std::string> unfoldedLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!lines.empty() && !line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            lines.back() += line.substr(1);
        } else {
            lines.emplace_back(line);
        }
        start = end + 1;
    }
    return lines;
}

std::string uppercased(std::string_view ascii) {
    std::string out(ascii);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::toupper(c); });
    return out;
}

struct ContentLine {
    std::string name;
    std::string value;
};

// "group.NAME;PARAM=value:VALUE"; a colon inside a quoted parameter value is not the separator.
std::optional<ContentLine> contentLine(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] != ':' || quoted) continue;
        std::string_view name = line.substr(0, std::min(line.find(';'), i));
        if (auto dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
        return ContentLine{uppercased(name), std::string(line.substr(i + 1))};
    }
    return std::nullopt;
}

std::string unescaped(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        const char next = value[++i];
        out.push_back(next == 'n' || next == 'N' ? '\n' : next);
    }
    return out;
}

// A name is shown and sent as one line of text: each run of control characters (C0, DEL and C1,
// a line break written "\n" among them) becomes one space, and bytes that are not UTF-8 become
// U+FFFD.
std::string nameText(std::string_view value) {
    const std::string text = Text::wellFormed(unescaped(value));
    std::string out;
    bool inRun = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (byte < 0x20 || byte == 0x7F || c1) {
            if (!inRun) out.push_back(' ');
            inRun = true;
            if (c1) ++i;
            continue;
        }
        inRun = false;
        out.push_back(text[i]);
    }
    return Text::trimmingWhitespaceAndNewlines(out);
}

} // namespace

std::vector<VCard> VCard::parse(std::string_view text) {
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, byteOrderMark.size()) == byteOrderMark) text.remove_prefix(byteOrderMark.size());
    std::vector<VCard> cards;
    std::optional<VCard> open;
    for (const std::string& line : unfoldedLines(text)) {
        auto content = contentLine(line);
        if (!content) continue;
        const auto namesACard = [&] { return uppercased(content->value) == "VCARD"; };
        if (content->name == "BEGIN" && namesACard()) {
            open.emplace();
        } else if (content->name == "END" && namesACard()) {
            if (open) cards.push_back(std::move(*open));
            open.reset();
        } else if (!open) {
            continue;
        } else if (content->name == "FN" && !open->fullName) {
            open->fullName = nameText(content->value);
        } else if (content->name == "EMAIL") {
            open->emailAddresses.push_back(unescaped(content->value));
        } else if (content->name == "TEL") {
            open->phoneNumbers.push_back(content->value);
        }
    }
    return cards;
}

} // namespace tarvo
