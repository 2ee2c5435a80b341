#include "TarvoCore/Operator/AXSnapshot.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <utility>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

// Every scalar that some reader of the text could take as the end of a line: line feed, vertical
// tab, form feed, carriage return, the file, group and record separators, next line, and the
// line and paragraph separators.
bool isLineBreak(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || (c >= 0x1C && c <= 0x1E) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// The text on one line: a window's own words must never start a line of their own, or they could
// pass for an element of the walk.
std::string oneLine(std::string_view text) {
    const std::u32string scalars = Text::scalars(text);
    std::u32string line;
    line.reserve(scalars.size());
    for (std::size_t index = 0; index < scalars.size(); ++index) {
        const char32_t c = scalars[index];
        if (c == U'\r' && index + 1 < scalars.size() && scalars[index + 1] == U'\n') continue;
        line.push_back(isLineBreak(c) ? U' ' : c);
    }
    return Text::fromScalars(line);
}

std::string cleaned(const std::optional<std::string>& text) {
    return text ? Text::trimmingWhitespace(oneLine(*text)) : std::string();
}

bool isSecureNode(const AXNode& node) { return AXSnapshot::isSecure(node.role, node.subrole); }

std::string wordsOf(const AXNode& node) {
    if (isSecureNode(node)) return {};
    std::vector<std::string> kept;
    for (const auto* part : {&node.title, &node.label, &node.value}) {
        std::string words = cleaned(*part);
        if (!words.empty() && std::ranges::find(kept, words) == kept.end()) kept.push_back(std::move(words));
    }
    std::string joined;
    for (const std::string& words : kept) {
        if (!joined.empty()) joined += " — ";
        joined += words;
    }
    return joined;
}

std::string elementLabel(const AXNode& node) {
    std::string title = cleaned(node.title);
    return title.empty() ? cleaned(node.label) : title;
}

class Serializer {
public:
    Serializer(std::int64_t generation, std::size_t budget) : generation_(generation), budget_(budget) {}

    void visit(const AXNode& node, std::size_t depth) {
        if (truncated_) return;
        const std::string words = wordsOf(node);
        const bool secure = isSecureNode(node);
        const bool actionable = !secure && node.ref &&
                                std::ranges::find(AXSnapshot::actionableRoles, node.role) !=
                                    AXSnapshot::actionableRoles.end();
        if (!words.empty() || secure || actionable) {
            if (!writeLine(node, depth, words, secure, actionable)) return;
        }
        for (const AXNode& child : node.children) visit(child, depth + 1);
    }

    AXSnapshot finish(std::string app) && {
        std::string text;
        for (const std::string& line : lines_) {
            if (!text.empty()) text.push_back('\n');
            text += line;
        }
        return AXSnapshot{std::move(app), generation_, std::move(text), truncated_,
                          lines_.size(), std::move(elements_), std::move(refs_)};
    }

private:
    static constexpr std::size_t deepestIndent = 12;

    // False when the line did not fit, which ends the whole text.
    bool writeLine(const AXNode& node, std::size_t depth, const std::string& words, bool secure, bool actionable) {
        const std::string id = AXSnapshot::elementId(generation_, static_cast<std::int64_t>(lines_.size()) + 1);
        std::string line(2 * std::min(depth, deepestIndent), ' ');
        line += "[" + id + "] " + (secure ? std::string(AXSnapshot::secureRole) : oneLine(node.role));
        if (!words.empty()) line += " " + words;
        const std::size_t cost = Text::utf16Length(line) + (lines_.empty() ? 0 : 1);
        if (used_ + cost > budget_) {
            truncated_ = true;
            return false;
        }
        lines_.push_back(std::move(line));
        used_ += cost;
        if (actionable && elements_.size() < MacElementInfo::limit) {
            elements_.push_back(MacElementInfo{id, node.role, elementLabel(node), node.enabled});
            refs_.emplace(id, *node.ref);
        }
        return true;
    }

    std::int64_t generation_;
    std::size_t budget_;
    std::vector<std::string> lines_;
    std::size_t used_ = 0;
    bool truncated_ = false;
    std::vector<MacElementInfo> elements_;
    std::map<std::string, std::size_t> refs_;
};

// A decimal integer with an optional sign, nothing else around it.
std::optional<std::int64_t> decimal(std::string_view text) {
    const bool plus = text.starts_with('+');
    if (plus) text.remove_prefix(1);
    const std::string_view digits = !plus && text.starts_with('-') ? text.substr(1) : text;
    if (digits.empty() || !std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

} // namespace

AXSnapshot AXSnapshot::serialize(const AXNode& root, std::string app, std::int64_t generation, std::size_t budget) {
    Serializer serializer(generation, budget);
    serializer.visit(root, 0);
    return std::move(serializer).finish(std::move(app));
}

bool AXSnapshot::isSecure(std::optional<std::string_view> role, std::optional<std::string_view> subrole) {
    return role == secureRole || subrole == secureRole;
}

std::string AXSnapshot::elementId(std::int64_t generation, std::int64_t index) {
    return std::to_string(generation) + "." + std::to_string(index);
}

std::optional<std::int64_t> AXSnapshot::resolve(std::string_view id, std::int64_t currentGeneration) {
    const std::size_t point = id.find('.');
    if (point == std::string_view::npos || id.find('.', point + 1) != std::string_view::npos) return std::nullopt;
    const std::optional<std::int64_t> generation = decimal(id.substr(0, point));
    const std::optional<std::int64_t> number = decimal(id.substr(point + 1));
    if (!generation || !number || *generation != currentGeneration || *number < 1) return std::nullopt;
    return number;
}

} // namespace tarvo
