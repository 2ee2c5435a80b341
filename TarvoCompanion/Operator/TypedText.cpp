#include "TarvoCompanion/Operator/TypedText.h"

#include "TarvoBase/Text.h"

namespace tarvo {

std::vector<std::string> TypedText::lines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

std::vector<std::u32string> TypedText::chunks(std::string_view line) {
    std::vector<std::u32string> chunks;
    std::size_t units = chunkUnits;
    for (const char32_t scalar : Text::scalars(line)) {
        const std::size_t width = scalar > 0xFFFF ? 2 : 1;
        if (units + width > chunkUnits) {
            chunks.emplace_back();
            units = 0;
        }
        chunks.back() += scalar;
        units += width;
    }
    return chunks;
}

} // namespace tarvo
