#include "TarvoBase/Text.h"

#include "TarvoBase/PercentEscape.h"

#include <cstdint>
#include <memory>
#include <stdexcept>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

namespace tarvo {
namespace {

icu::UnicodeString decoded(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string encoded(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::string encoded(const icu::UnicodeString& text, int32_t start, int32_t end) {
    std::string out;
    icu::UnicodeString(text, start, end - start).toUTF8String(out);
    return out;
}

// Creating a break iterator loads rule data; one per thread is kept for reuse.
icu::BreakIterator& characterBreaks(const icu::UnicodeString& text) {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !made) throw std::runtime_error("ICU has no character break rules");
        return made;
    }();
    iterator->setText(text);
    return *iterator;
}

// Calls `visit(start, end)` for each character until it returns false.
template <typename Visit>
void forEachGrapheme(const icu::UnicodeString& text, Visit visit) {
    icu::BreakIterator& breaks = characterBreaks(text);
    int32_t start = breaks.first();
    for (int32_t end = breaks.next(); end != icu::BreakIterator::DONE; start = end, end = breaks.next()) {
        if (!visit(start, end)) return;
    }
}

bool isWhitespace(UChar32 c) { return c == 0x09 || u_charType(c) == U_SPACE_SEPARATOR; }

bool isNewline(UChar32 c) { return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029; }

bool isWhitespaceOrNewline(UChar32 c) { return isWhitespace(c) || isNewline(c); }

template <typename Trimmed>
std::string trimming(std::string_view text, Trimmed trimmed) {
    const icu::UnicodeString unicode = decoded(text);
    int32_t start = 0;
    int32_t end = unicode.length();
    while (start < end && trimmed(unicode.char32At(start))) start = unicode.moveIndex32(start, 1);
    while (end > start) {
        const int32_t before = unicode.moveIndex32(end, -1);
        if (!trimmed(unicode.char32At(before))) break;
        end = before;
    }
    return encoded(unicode, start, end);
}

// The text in the normalization form whose normalizer `instance` gives.
icu::UnicodeString normalized(const icu::UnicodeString& text, const icu::Normalizer2* (*instance)(UErrorCode&)) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* normalizer = instance(status);
    if (U_FAILURE(status)) throw std::runtime_error("ICU has no normalization data");
    icu::UnicodeString result = normalizer->normalize(text, status);
    if (U_FAILURE(status)) throw std::runtime_error("ICU could not normalise a text");
    return result;
}

bool isNumeric(UChar32 c) { return u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE; }

bool isAsciiAmong(UChar32 c, std::string_view among) {
    return c >= 0 && c < 0x80 && among.find(static_cast<char>(c)) != std::string_view::npos;
}

// Calls `visit(start, end, codePoint)` for each code point of UTF-8 bytes until it returns
// false; an ill-formed sequence comes as a negative code point over its bytes.
template <typename Visit>
void forEachCodePoint(std::string_view text, Visit visit) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t index = 0;
    while (index < length) {
        const int32_t start = index;
        UChar32 c = 0;
        U8_NEXT(bytes, index, length, c);
        if (!visit(static_cast<std::size_t>(start), static_cast<std::size_t>(index), c)) return;
    }
}

} // namespace

std::vector<std::string> Text::graphemes(std::string_view text) {
    const icu::UnicodeString unicode = decoded(text);
    std::vector<std::string> out;
    forEachGrapheme(unicode, [&](int32_t start, int32_t end) {
        out.push_back(encoded(unicode, start, end));
        return true;
    });
    return out;
}

std::size_t Text::graphemeCount(std::string_view text) {
    std::size_t count = 0;
    forEachGrapheme(decoded(text), [&](int32_t, int32_t) {
        ++count;
        return true;
    });
    return count;
}

std::string Text::graphemePrefix(std::string_view text, std::size_t count) {
    const icu::UnicodeString unicode = decoded(text);
    int32_t prefixEnd = 0;
    std::size_t taken = 0;
    forEachGrapheme(unicode, [&](int32_t, int32_t end) {
        if (taken == count) return false;
        ++taken;
        prefixEnd = end;
        return true;
    });
    return encoded(unicode, 0, prefixEnd);
}

std::size_t Text::utf16Length(std::string_view text) { return static_cast<std::size_t>(decoded(text).length()); }

std::u16string Text::utf16(std::string_view text) {
    const icu::UnicodeString unicode = decoded(text);
    return std::u16string(unicode.getBuffer(), static_cast<std::size_t>(unicode.length()));
}

std::u32string Text::scalars(std::string_view text) {
    const icu::UnicodeString unicode = decoded(text);
    std::u32string out;
    out.reserve(static_cast<std::size_t>(unicode.length()));
    for (int32_t index = 0; index < unicode.length(); index = unicode.moveIndex32(index, 1)) {
        out.push_back(static_cast<char32_t>(unicode.char32At(index)));
    }
    return out;
}

std::string Text::fromScalars(std::u32string_view scalars) {
    std::string out;
    out.reserve(scalars.size());
    for (const char32_t scalar : scalars) {
        const bool valid = scalar <= 0x10FFFF && (scalar < 0xD800 || scalar > 0xDFFF);
        const UChar32 c = valid ? static_cast<UChar32>(scalar) : 0xFFFD;
        std::uint8_t bytes[U8_MAX_LENGTH];
        int32_t length = 0;
        U8_APPEND_UNSAFE(bytes, length, c);
        out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    }
    return out;
}

std::string Text::utf16Prefix(std::string_view text, std::size_t units) {
    const icu::UnicodeString unicode = decoded(text);
    if (static_cast<std::size_t>(unicode.length()) <= units) return encoded(unicode);
    int32_t prefixEnd = 0;
    forEachGrapheme(unicode, [&](int32_t, int32_t end) {
        if (static_cast<std::size_t>(end) > units) return false;
        prefixEnd = end;
        return true;
    });
    return encoded(unicode, 0, prefixEnd);
}

std::string Text::wellFormed(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    std::string out;
    int32_t copied = 0;
    for (int32_t at = 0; at < length;) {
        const int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        if (c >= 0) continue;
        out.append(text.substr(copied, start - copied)).append("\xEF\xBF\xBD");
        copied = at;
    }
    if (copied == 0) return std::string(text);
    return out.append(text.substr(copied));
}

std::string Text::lowercased(std::string_view text) {
    icu::UnicodeString unicode = decoded(text);
    unicode.toLower(icu::Locale::getRoot());
    return encoded(unicode);
}

std::string Text::folded(std::string_view text) {
    const icu::UnicodeString decomposed = normalized(decoded(text), icu::Normalizer2::getNFDInstance);
    icu::UnicodeString bare;
    for (int32_t index = 0; index < decomposed.length(); index = decomposed.moveIndex32(index, 1)) {
        const UChar32 c = decomposed.char32At(index);
        if (u_charType(c) != U_NON_SPACING_MARK) bare.append(c);
    }
    bare.foldCase(U_FOLD_CASE_DEFAULT);
    return encoded(normalized(bare, icu::Normalizer2::getNFCInstance));
}

std::string Text::nfc(std::string_view text) {
    return encoded(normalized(decoded(text), icu::Normalizer2::getNFCInstance));
}

std::string Text::trimmingWhitespace(std::string_view text) { return trimming(text, isWhitespace); }

std::string Text::trimmingWhitespaceAndNewlines(std::string_view text) {
    return trimming(text, isWhitespaceOrNewline);
}

std::vector<std::string> Text::splitAtWhitespace(std::string_view text) {
    const icu::UnicodeString unicode = decoded(text);
    std::vector<std::string> pieces;
    int32_t start = 0;
    for (int32_t index = 0; index < unicode.length(); index = unicode.moveIndex32(index, 1)) {
        if (!isWhitespaceOrNewline(unicode.char32At(index))) continue;
        if (index > start) pieces.push_back(encoded(unicode, start, index));
        start = unicode.moveIndex32(index, 1);
    }
    if (unicode.length() > start) pieces.push_back(encoded(unicode, start, unicode.length()));
    return pieces;
}

bool Text::isWellFormedUtf8(std::string_view bytes) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t units = 0;
    u_strFromUTF8(nullptr, 0, &units, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    return status == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(status);
}

bool Text::isLetterOrNumber(char32_t codePoint) {
    return (U_GET_GC_MASK(static_cast<UChar32>(codePoint)) & (U_GC_L_MASK | U_GC_N_MASK)) != 0;
}

std::size_t Text::letterOrNumberPrefixLength(std::string_view text, std::string_view alsoAllowed) {
    std::size_t length = 0;
    forEachCodePoint(text, [&](std::size_t, std::size_t end, UChar32 c) {
        if (c < 0 || !(isLetterOrNumber(static_cast<char32_t>(c)) || isAsciiAmong(c, alsoAllowed))) return false;
        length = end;
        return true;
    });
    return length;
}

std::string Text::percentEncoded(std::string_view text, std::string_view kept) {
    std::string out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](std::size_t start, std::size_t end, UChar32 c) {
        const std::string_view bytes = text.substr(start, end - start);
        if (c >= 0 && (isLetterOrNumber(static_cast<char32_t>(c)) || isAsciiAmong(c, kept))) {
            out += bytes;
        } else {
            for (const char byte : bytes) appendPercentEscape(out, static_cast<unsigned char>(byte));
        }
        return true;
    });
    return out;
}

bool Text::isNumericCharacter(std::string_view character) {
    const icu::UnicodeString unicode = decoded(character);
    return !unicode.isEmpty() && isNumeric(unicode.char32At(0));
}

std::string Text::numericCharacters(std::string_view text) {
    const icu::UnicodeString unicode = decoded(text);
    std::string out;
    forEachGrapheme(unicode, [&](int32_t start, int32_t end) {
        if (isNumeric(unicode.char32At(start))) out += encoded(unicode, start, end);
        return true;
    });
    return out;
}

std::string Text::decimalDigits(std::string_view text) {
    const icu::UnicodeString unicode = decoded(text);
    std::string out;
    for (int32_t i = 0; i < unicode.length(); i = unicode.moveIndex32(i, 1)) {
        const UChar32 c = unicode.char32At(i);
        if (u_charType(c) == U_DECIMAL_DIGIT_NUMBER) out.push_back(static_cast<char>('0' + u_charDigitValue(c)));
    }
    return out;
}

} // namespace tarvo
