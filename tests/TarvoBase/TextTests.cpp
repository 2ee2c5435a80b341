#include <cstdint>

#include <gtest/gtest.h>

#include "TarvoBase/Text.h"

using tarvo::Text;

namespace {

// U+1F1EB U+1F1F7: one flag, four UTF-16 units.
const std::string flag = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";
// A family emoji: man, ZWJ, woman, ZWJ, girl; one character, eight UTF-16 units.
const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
// "e" followed by a combining acute accent: one character, two units.
const std::string accented = "e\xCC\x81";

} // namespace

TEST(Text, Utf16PrefixKeepsWholeCharacters) {
    struct Case {
        std::string text;
        std::size_t units;
        std::string prefix;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"abcdef", 5, "abcde"},
             {"abcd" + flag, 5, "abcd"},
             {"abc", 5, "abc"},
             {"abcd" + flag, 8, "abcd" + flag},
             {"ab" + family + "c", 9, "ab"},
             {"ab" + family + "c", 10, "ab" + family},
             {"abcd" + accented, 5, "abcd"},
             {"abc" + accented + "x", 5, "abc" + accented},
             {"\xF0\x9F\x98\x80" "a", 1, ""},
             {"abc", 0, ""},
         }) {
        EXPECT_EQ(Text::utf16Prefix(c.text, c.units), c.prefix) << c.text << " / " << c.units;
    }
}

TEST(Text, CountsUtf16UnitsAndCharacters) {
    EXPECT_EQ(Text::utf16Length(""), 0u);
    EXPECT_EQ(Text::utf16Length("abc"), 3u);
    EXPECT_EQ(Text::utf16Length("\xC3\xA9"), 1u);
    EXPECT_EQ(Text::utf16Length(flag), 4u);
    EXPECT_EQ(Text::utf16Length(family), 8u);

    EXPECT_EQ(Text::graphemes("a" + flag + accented + family),
              (std::vector<std::string>{"a", flag, accented, family}));
    EXPECT_EQ(Text::graphemeCount("a" + flag + accented + family), 4u);
    EXPECT_EQ(Text::graphemePrefix("a" + flag + accented + family, 3), "a" + flag + accented);
    EXPECT_EQ(Text::graphemePrefix("ab", 5), "ab");
}

TEST(Text, ReadsUtf16UnitsAndScalarsAndWritesScalarsBack) {
    EXPECT_EQ(Text::utf16("a\xC3\xA9" + flag), (std::u16string{u'a', 0xE9, 0xD83C, 0xDDEB, 0xD83C, 0xDDF7}));
    EXPECT_EQ(Text::scalars("a\xC3\xA9" + flag), (std::u32string{U'a', 0xE9, 0x1F1EB, 0x1F1F7}));
    EXPECT_EQ(Text::scalars("a\xFF"), (std::u32string{U'a', 0xFFFD}));
    EXPECT_EQ(Text::fromScalars(Text::scalars("a" + family + accented)), "a" + family + accented);
    EXPECT_EQ(Text::fromScalars(std::u32string{U'a', 0xD800, 0x110000, U'b'}), "a\xEF\xBF\xBD\xEF\xBF\xBD" "b");
}

TEST(Text, IllFormedUtf8ReadsAsReplacementCharacters) {
    const std::string broken = "ab\xFF\xC3" "cd";
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(Text::utf16Length(broken), 6u);
    EXPECT_EQ(Text::utf16Prefix(broken, 3), "ab" + replacement);
    EXPECT_EQ(Text::utf16Prefix(broken, 10), "ab" + replacement + replacement + "cd");
    EXPECT_EQ(Text::graphemeCount(broken), 6u);
    EXPECT_EQ(Text::lowercased("\xC3"), replacement);
    EXPECT_EQ(Text::trimmingWhitespace(" \xFF "), replacement);
    EXPECT_EQ(Text::numericCharacters("1\xFF" "2"), "12");
    EXPECT_EQ(Text::wellFormed(broken), "ab" + replacement + replacement + "cd");
}

TEST(Text, WellFormedReplacesEachIllFormedSequenceOnce) {
    const std::string r = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"caf\xC3\xA9 \xF0\x9F\x91\x8B", "caf\xC3\xA9 \xF0\x9F\x91\x8B"},
        {"\xC3", r},
        {"x\xE2\x82", "x" + r},                 // a cut-off sequence is one
        {"\xED\xA0\x80", r + r + r},            // an encoded surrogate is no prefix of anything
        {"\xC0\xAF", r + r},                     // nor is an overlong form
        {"\xF4\x90\x80\x80", r + r + r + r},   // nor a code point past U+10FFFF
        {"\x80\x80z", r + r + "z"},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(Text::wellFormed(bytes), expected);
}

TEST(Text, TrimmingWhiteSpaceAndTrimmingNewlinesDiffer) {
    const std::string nbsp = "\xC2\xA0";
    const std::string ideographicSpace = "\xE3\x80\x80";
    const std::string lineSeparator = "\xE2\x80\xA8";
    const std::string nextLine = "\xC2\x85";
    struct Case {
        std::string text;
        std::string whitespace;
        std::string whitespaceAndNewlines;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"  name  ", "name", "name"},
             {"\tname\t", "name", "name"},
             {nbsp + "name" + ideographicSpace, "name", "name"},
             {"\nname\r\n", "\nname\r\n", "name"},
             {" \n name \n ", "\n name \n", "name"},
             {lineSeparator + "name" + nextLine, lineSeparator + "name" + nextLine, "name"},
             {"\vname\f", "\vname\f", "name"},
             {"in side", "in side", "in side"},
             {" \t\n ", "\n", ""},
             {"", "", ""},
         }) {
        EXPECT_EQ(Text::trimmingWhitespace(c.text), c.whitespace);
        EXPECT_EQ(Text::trimmingWhitespaceAndNewlines(c.text), c.whitespaceAndNewlines);
    }
}

TEST(Text, SplitsAtRunsOfWhiteSpaceAndNewlines) {
    const std::string nbsp = "\xC2\xA0";
    using Pieces = std::vector<std::string>;
    EXPECT_EQ(Text::splitAtWhitespace("  Backup \n\t 2024.zip\r\n"), (Pieces{"Backup", "2024.zip"}));
    EXPECT_EQ(Text::splitAtWhitespace("a" + nbsp + "\xC3\xA9" + nbsp + nbsp + "b"), (Pieces{"a", "\xC3\xA9", "b"}));
    EXPECT_EQ(Text::splitAtWhitespace("one"), (Pieces{"one"}));
    EXPECT_EQ(Text::splitAtWhitespace(" \n "), Pieces{});
    EXPECT_EQ(Text::splitAtWhitespace(""), Pieces{});
}

TEST(Text, LowercasesWholeUnicode) {
    EXPECT_EQ(Text::lowercased("MacBook Pro"), "macbook pro");
    EXPECT_EQ(Text::lowercased("\xC3\x89T\xC3\x89"), "\xC3\xA9t\xC3\xA9");        // ÉTÉ
    EXPECT_EQ(Text::lowercased("\xD0\x9C\xD0\x98\xD0\xA0"), "\xD0\xBC\xD0\xB8\xD1\x80"); // МИР
    EXPECT_EQ(Text::lowercased("I"), "i");                                          // not the Turkish dotless i
}

TEST(Text, FoldsCaseAndDiacritics) {
    struct Case {
        std::string text;
        const char* folded;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"R\xC3\xA9sum\xC3\xA9.docx", "resume.docx"},   // precomposed é
             {"R" + accented + "sume", "resume"},               // e and a combining accent
             {"STRA\xC3\x9F" "E", "strasse"},                   // ß folds as ss
             {"I", "i"},                                        // not the Turkish dotless i
             {"\xEA\xB0\x80", "\xEA\xB0\x80"},                  // a Hangul syllable survives
             {"\xD0\x99", "\xD0\xB8"},                          // Й: the breve is a diacritic too
         }) {
        EXPECT_EQ(Text::folded(c.text), c.folded) << c.text;
    }
}

TEST(Text, NfcMakesCanonicallyEquivalentTextsEqual) {
    const std::string precomposed = "caf\xC3\xA9";          // é as one code point
    EXPECT_EQ(Text::nfc("caf" + accented), precomposed); // e and a combining accent
    EXPECT_EQ(Text::nfc(precomposed), precomposed);
    // Hangul syllable from its jamo; a compatibility form (the "fi" ligature) is left alone.
    EXPECT_EQ(Text::nfc("\xE1\x84\x80\xE1\x85\xA1"), "\xEA\xB0\x80");
    EXPECT_EQ(Text::nfc("\xEF\xAC\x81"), "\xEF\xAC\x81");
}

TEST(Text, NumericCharactersInTheUnicodeSense) {
    struct Case {
        std::string character;
        bool numeric;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"7", true},
             {"\xD9\xA3", true},         // Arabic-Indic three
             {"\xE2\x85\x9A", true},     // vulgar fraction five sixths
             {"\xE4\xBA\x94", true},     // Han five
             {"\xF0\x9D\x9F\xA0", true}, // mathematical double-struck eight
             {"a", false},
             {"-", false},
             {"+", false},
             {"", false},
         }) {
        EXPECT_EQ(Text::isNumericCharacter(c.character), c.numeric) << c.character;
    }
    EXPECT_EQ(Text::numericCharacters("+1 (555) \xD9\xA3\xD9\xA4-x9"), "1555\xD9\xA3\xD9\xA4" "9");
    EXPECT_EQ(Text::numericCharacters("chat"), "");
    EXPECT_EQ(Text::decimalDigits("+1 (555) \xD9\xA3\xD9\xA4-x9\xE2\x85\x9A\xE4\xBA\x94\xF0\x9D\x9F\xA0"), "15553498");
    EXPECT_EQ(Text::decimalDigits("chat"), "");
}

TEST(Text, LettersAndNumbersInTheUnicodeSense) {
    struct Case {
        char32_t codePoint;
        bool letterOrNumber;
    };
    for (const auto& c : std::initializer_list<Case>{
             {U'a', true},
             {U'Z', true},
             {U'7', true},
             {U'\u00E9', true},  // é
             {U'\u01C5', true},  // title-case Dž
             {U'\u02B0', true},  // modifier letter h
             {U'\u4E94', true},  // Han five
             {U'\u0663', true},  // Arabic-Indic three
             {U'\u216B', true},  // Roman numeral twelve
             {U'\u00BD', true},  // one half
             {U'_', false},
             {U'-', false},
             {U' ', false},
             {U'.', false},
             {U'\u0301', false},  // combining acute accent
             {U'\U0001F600', false}, // an emoji
         }) {
        EXPECT_EQ(Text::isLetterOrNumber(c.codePoint), c.letterOrNumber) << static_cast<std::uint32_t>(c.codePoint);
    }

    EXPECT_EQ(Text::letterOrNumberPrefixLength("jobId/attachments"), 5u);
    EXPECT_EQ(Text::letterOrNumberPrefixLength("caf\xC3\xA9_x"), 5u) << "é is a letter; _ is not";
    EXPECT_EQ(Text::letterOrNumberPrefixLength("caf\xC3\xA9_x", "_"), 7u);
    EXPECT_EQ(Text::letterOrNumberPrefixLength("ab\xFF" "cd"), 2u) << "an ill-formed byte ends the run";
    EXPECT_EQ(Text::letterOrNumberPrefixLength(""), 0u);
}

TEST(Text, PercentEncodingKeepsOnlyLettersNumbersAndTheNamedCharacters) {
    EXPECT_EQ(Text::percentEncoded("a b/c%d", "-._~"), "a%20b%2Fc%25d");
    EXPECT_EQ(Text::percentEncoded("A-z.0_9~", "-._~"), "A-z.0_9~");
    EXPECT_EQ(Text::percentEncoded("caf\xC3\xA9", ""), "caf\xC3\xA9") << "a non-ASCII letter is kept";
    EXPECT_EQ(Text::percentEncoded("e\xCC\x81", ""), "e%CC%81") << "a combining mark is not a letter";
    EXPECT_EQ(Text::percentEncoded("\xF0\x9F\x98\x80", ""), "%F0%9F%98%80");
    EXPECT_EQ(Text::percentEncoded("a\xFF/\xC3", "-"), "a%FF%2F%C3") << "ill-formed bytes are encoded one by one";
    EXPECT_EQ(Text::percentEncoded(std::string("\0", 1), ""), "%00");
}

TEST(Text, WellFormedUtf8) {
    struct Case {
        std::string bytes;
        bool wellFormed;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"", true},
             {"plain", true},
             {"caf\xC3\xA9 \xF0\x9F\x98\x80", true},
             {std::string("nul\0inside", 10), true},
             {"\xFF", false},
             {"\xC3", false},             // cut short
             {"\xC0\xAF", false},         // overlong slash
             {"\xED\xA0\x80", false},     // a surrogate
             {"\xF4\x90\x80\x80", false}, // beyond U+10FFFF
         }) {
        EXPECT_EQ(Text::isWellFormedUtf8(c.bytes), c.wellFormed) << ::testing::PrintToString(c.bytes);
    }
}
