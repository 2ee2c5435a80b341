#include "Platform/HtmlText.h"

#include <memory>
#include <string_view>

#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace tarvo {
namespace {

// ICU's matcher keeps its backtracking on the heap, so a script block of megabytes cannot
// overflow the stack as a recursive matcher would.
icu::UnicodeString replacedAll(const icu::UnicodeString& text, const char* pattern, uint32_t flags,
                               const icu::UnicodeString& with) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError where;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), flags, where, status));
    if (U_FAILURE(status)) return text;
    std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(text, status));
    if (U_FAILURE(status)) return text;
    // The default limit of the backtracking stack would stop a lazy match over a long block.
    matcher->setStackLimit(0, status);
    icu::UnicodeString result = matcher->replaceAll(with, status);
    return U_FAILURE(status) ? text : result;
}

void replaceLiteral(icu::UnicodeString& text, std::string_view find, std::string_view with) {
    text.findAndReplace(icu::UnicodeString::fromUTF8(icu::StringPiece(find.data(), static_cast<int32_t>(find.size()))),
                        icu::UnicodeString::fromUTF8(icu::StringPiece(with.data(), static_cast<int32_t>(with.size()))));
}

} // namespace

std::string HtmlText::stripTags(const std::string& html) {
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(html);
    text = replacedAll(text, "<(script|style)[^>]*>[\\s\\S]*?</\\1>", UREGEX_CASE_INSENSITIVE, " ");
    text = replacedAll(text, "<br\\s*/?>|</p>|</div>|</li>", UREGEX_CASE_INSENSITIVE, "\n");
    text = replacedAll(text, "<[^>]+>", 0, " ");
    replaceLiteral(text, "&nbsp;", " ");
    replaceLiteral(text, "&lt;", "<");
    replaceLiteral(text, "&gt;", ">");
    replaceLiteral(text, "&quot;", "\"");
    replaceLiteral(text, "&#39;", "'");
    // Last, so that an escaped ampersand ("&amp;lt;") stays the text it shows ("&lt;").
    replaceLiteral(text, "&amp;", "&");
    std::string plain;
    text.toUTF8String(plain);
    return plain;
}

} // namespace tarvo
