#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "Platform/HtmlText.h"
#include "Platform/PlainText.h"
#include "Platform/RtfText.h"
#include "TarvoBase/Text.h"

// The text readers of files the user has (the first byte picks one, the rest is the file): a
// rich-text document, a page's markup, or the start of a plain file, whole or cut at a read limit
// (the second byte says where, as a share of the rest).
//
// Every text read is well-formed UTF-8. Rich text without control words or groups reads as
// itself; markup without entities keeps no tag, and without any markup reads as itself. A plain
// file of UTF-8 without NULs reads as itself, and cut anywhere as its whole characters before
// the cut; the same text as UTF-16 with its byte-order mark reads the same, cut or not.
namespace {

using namespace tarvo;
using fuzz::require;

void rtf(std::string_view bytes) {
    const std::string text = RtfText::plain(bytes);
    require(Text::isWellFormedUtf8(text));
    const bool plainAscii = bytes.find_first_of("\\{}\r\n") == std::string_view::npos &&
                            std::ranges::all_of(bytes, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (plainAscii) require(text == bytes);
}

// A "<" with a ">" after it and something but ">" between.
bool holdsTag(std::string_view text) {
    for (auto open = text.find('<'); open != std::string_view::npos; open = text.find('<', open + 1)) {
        const auto close = text.find('>', open + 1);
        if (close == std::string_view::npos) return false;
        if (close > open + 1) return true;
    }
    return false;
}

void html(std::string_view bytes) {
    const std::string text = HtmlText::stripTags(std::string(bytes));
    require(Text::isWellFormedUtf8(text));
    if (bytes.find('&') == std::string_view::npos) require(!holdsTag(text));
    if (bytes.find_first_of("<&") == std::string_view::npos) require(text == Text::wellFormed(bytes));
}

// The text as UTF-16, low byte first, after its byte-order mark.
std::string utf16WithMark(std::string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char32_t scalar : Text::scalars(text)) {
        const auto unit = [&bytes](char32_t value) {
            bytes += static_cast<char>(value & 0xFF);
            bytes += static_cast<char>(value >> 8);
        };
        if (scalar < 0x10000) {
            unit(scalar);
        } else {
            unit(0xD800 + ((scalar - 0x10000) >> 10));
            unit(0xDC00 + ((scalar - 0x10000) & 0x3FF));
        }
    }
    return bytes;
}

// The whole characters of `text` that lie within its first `bytes` bytes.
std::string wholeCharactersWithin(std::string_view text, std::size_t bytes) {
    std::string kept;
    for (const char32_t scalar : Text::scalars(text)) {
        const std::string character = Text::fromScalars(std::u32string(1, scalar));
        if (kept.size() + character.size() > bytes) break;
        kept += character;
    }
    return kept;
}

// As UTF-16: the whole characters within the first `units` code units after the mark.
std::string wholeCharactersWithinUnits(std::string_view text, std::size_t units) {
    std::string kept;
    std::size_t taken = 0;
    for (const char32_t scalar : Text::scalars(text)) {
        taken += scalar < 0x10000 ? 1 : 2;
        if (taken > units) break;
        kept += Text::fromScalars(std::u32string(1, scalar));
    }
    return kept;
}

void plain(std::string_view bytes, std::uint8_t cutAt) {
    require(Text::isWellFormedUtf8(PlainText::decoded(bytes, false)));
    const std::size_t cut = bytes.size() * cutAt / 255;
    require(Text::isWellFormedUtf8(PlainText::decoded(bytes.substr(0, cut), true)));
    if (!Text::isWellFormedUtf8(bytes) || bytes.find('\0') != std::string_view::npos) return;

    require(PlainText::decoded(bytes, false) == bytes);
    require(PlainText::decoded(bytes.substr(0, cut), true) == wholeCharactersWithin(bytes, cut));
    const std::string utf16 = utf16WithMark(bytes);
    require(PlainText::decoded(utf16, false) == bytes);
    const std::size_t cut16 = 2 + (utf16.size() - 2) * cutAt / 255;
    require(PlainText::decoded(std::string_view(utf16).substr(0, cut16), true) ==
            wholeCharactersWithinUnits(bytes, (cut16 - 2) / 2));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string_view rest = fuzz::text(data + 2, size - 2);
    switch (data[0] % 3) {
    case 0: rtf(rest); break;
    case 1: html(rest); break;
    default: plain(rest, data[1]); break;
    }
    return 0;
}
