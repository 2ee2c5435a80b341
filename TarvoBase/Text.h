#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// Unicode rules for UTF-8 text. "Characters" are user-perceived characters (extended grapheme
// clusters): a flag, a composed emoji or a letter with its combining marks counts once. Every
// helper accepts any bytes: ill-formed UTF-8 reads as U+FFFD, so what comes back is always
// well-formed UTF-8.
class Text {
public:
    // The text's characters, in order.
    static std::vector<std::string> graphemes(std::string_view text);
    static std::size_t graphemeCount(std::string_view text);
    // The first `count` characters (the whole text when it has no more).
    static std::string graphemePrefix(std::string_view text, std::size_t count);

    // The number of UTF-16 code units: a character outside the Basic Multilingual Plane counts two.
    static std::size_t utf16Length(std::string_view text);
    // The text's UTF-16 code units, in order.
    static std::u16string utf16(std::string_view text);

    // The text's Unicode scalars, in order, and the UTF-8 text of a list of scalars (a surrogate or
    // a value above U+10FFFF becomes U+FFFD).
    static std::u32string scalars(std::string_view text);
    static std::string fromScalars(std::u32string_view scalars);

    // The whole text when it has at most `units` UTF-16 code units; otherwise the longest prefix
    // of whole characters whose UTF-16 length is at most `units`. A character is never split, so
    // the result may be a few units short; nothing is appended.
    static std::string utf16Prefix(std::string_view text, std::size_t units);

    // The text itself when it is well-formed UTF-8; otherwise each ill-formed sequence becomes
    // U+FFFD, read the way every other helper here reads it.
    static std::string wellFormed(std::string_view text);

    // Full Unicode lower-casing, the same whatever the user's language.
    static std::string lowercased(std::string_view text);

    // The text with case and diacritics folded away, the same whatever the user's language: for
    // comparing names as a person reads them ("Résumé" and "resume" fold alike; "ß" folds as "ss").
    static std::string folded(std::string_view text);

    // Normalization Form C: canonically equivalent texts (a precomposed letter, or the letter
    // followed by its combining mark) come out byte for byte the same.
    static std::string nfc(std::string_view text);

    // Trim at both ends. "White space" is the space separators (general category Zs, with U+0020
    // and U+00A0) and the tab; "white space and newlines" adds U+000A to U+000D, U+0085, U+2028
    // and U+2029.
    static std::string trimmingWhitespace(std::string_view text);
    static std::string trimmingWhitespaceAndNewlines(std::string_view text);
    // The pieces between runs of white space and newlines, in order; none is empty.
    static std::vector<std::string> splitAtWhitespace(std::string_view text);

    // Letters and numbers in the Unicode sense: the general categories L (Lu, Ll, Lt, Lm, Lo) and
    // N (Nd, Nl, No). "é", "ß", "٣" and "Ⅻ" are; "_", "-", a combining mark and an emoji are not.
    static bool isLetterOrNumber(char32_t codePoint);
    // The length in bytes of the text's longest beginning made of letters, numbers and the ASCII
    // characters of `alsoAllowed`; an ill-formed byte ends it.
    static std::size_t letterOrNumberPrefixLength(std::string_view text, std::string_view alsoAllowed = {});
    // Every byte as "%XX" (upper-case hexadecimal) except those of letters, numbers and the ASCII
    // characters of `kept`. The bytes of an ill-formed sequence are each encoded, so none passes
    // through as it was.
    static std::string percentEncoded(std::string_view text, std::string_view kept);

    // Whether the bytes are well-formed UTF-8 (the empty text is).
    static bool isWellFormedUtf8(std::string_view bytes);

    // A character is numeric when its first code point has a Unicode numeric type: "7", "٣",
    // "⅚" and "五" are; "a" and "-" are not.
    static bool isNumericCharacter(std::string_view character);
    // The text's numeric characters, in order, all others dropped.
    static std::string numericCharacters(std::string_view text);
    // The text's decimal digits of any script, each as its ASCII digit ("٣" gives "3"); every
    // other character, fractions and Han numerals included, is dropped.
    static std::string decimalDigits(std::string_view text);
};

} // namespace tarvo
