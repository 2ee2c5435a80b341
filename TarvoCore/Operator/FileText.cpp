#include "TarvoCore/Operator/FileText.h"

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

// The longest whole-character prefix within the budget, ending before its last line break unless
// that break is its first character. A CR before the line feed is part of the break.
std::string cut(const std::string& text, std::size_t budget) {
    std::string prefix = Text::utf16Prefix(text, budget);
    const std::size_t feed = prefix.rfind('\n');
    if (feed == std::string::npos) return prefix;
    const std::size_t lineEnd = feed > 0 && prefix[feed - 1] == '\r' ? feed - 1 : feed;
    if (lineEnd > 0) prefix.resize(lineEnd);
    return prefix;
}

} // namespace

FileText FileText::plain(const std::string& text, std::size_t budget) {
    if (Text::utf16Length(text) <= budget) return {text, false, std::nullopt, std::nullopt};
    return {cut(text, budget), true, std::nullopt, std::nullopt};
}

FileText FileText::paged(const std::vector<std::string>& pages, std::size_t budget) {
    const int count = static_cast<int>(pages.size());
    std::string result;
    std::size_t units = 0;
    for (int i = 0; i < count; ++i) {
        const std::string piece = (result.empty() ? "" : "\n\n") + ("[Page " + std::to_string(i + 1) + "]\n") +
                                  Text::trimmingWhitespaceAndNewlines(pages[static_cast<std::size_t>(i)]);
        const std::size_t pieceUnits = Text::utf16Length(piece);
        if (units + pieceUnits > budget) {
            if (i == 0) return {cut(piece, budget), true, count, 0};
            return {result, true, count, i};
        }
        result += piece;
        units += pieceUnits;
    }
    return {result, false, count, count};
}

} // namespace tarvo
