#include "TarvoCore/Operator/FileSendWording.h"

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

constexpr std::size_t shownNameCharacters = 80;

} // namespace

std::string shownFileName(std::string_view name) {
    std::string collapsed;
    for (const std::string& word : Text::splitAtWhitespace(name)) {
        if (!collapsed.empty()) collapsed += ' ';
        collapsed += word;
    }
    if (Text::graphemeCount(collapsed) <= shownNameCharacters) return collapsed;
    return Text::graphemePrefix(collapsed, shownNameCharacters) + "\u2026";
}

std::int64_t roundedMegabytes(std::int64_t bytes) {
    // Without the overflow of adding half a million first.
    return bytes / 1'000'000 + (bytes % 1'000'000 >= 500'000 ? 1 : 0);
}

} // namespace tarvo
