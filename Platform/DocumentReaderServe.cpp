// The reader process's side of `DocumentReader`: one document from standard input, its pages to
// standard output. Everything here may meet a hostile file, and runs only in that process.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <plist/plist.h>
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>
#include <unicode/ucnv.h>
#include <wv.h>
#include <zip.h>

#include "Platform/DocumentReader.h"
#include "Platform/HtmlText.h"
#include "Platform/RtfText.h"
#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

using Pages = std::optional<std::vector<std::string>>;

// A document larger than this is not one anyone reads as text.
constexpr std::size_t documentLimit = 256 * 1024 * 1024;
constexpr zip_uint64_t partLimit = 64 * 1024 * 1024;

std::optional<std::string> standardInput() {
    std::string bytes;
    char block[65536];
    while (bytes.size() <= documentLimit) {
        const ssize_t got = ::pread(0, block, sizeof block, static_cast<off_t>(bytes.size()));
        if (got < 0) return std::nullopt;
        if (got == 0) return bytes;
        bytes.append(block, static_cast<std::size_t>(got));
    }
    return std::nullopt;
}

std::string utf8Of(const std::vector<UChar>& units) {
    std::u32string scalars;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            unit = 0xFFFD;
        }
        scalars.push_back(unit);
    }
    return Text::fromScalars(scalars);
}

// Bytes in a named character set as UTF-8; nothing when ICU does not know the set.
std::optional<std::string> converted(std::string_view bytes, const char* charset) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter*)> converter(ucnv_open(charset, &status), ucnv_close);
    if (U_FAILURE(status)) return std::nullopt;
    std::vector<UChar> units(bytes.size() * 2 + 2);
    const int32_t length = ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()), bytes.data(),
                                         static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    units.resize(static_cast<std::size_t>(length));
    return utf8Of(units);
}

void ignorePopplerMessage(const std::string&, void*) {}

Pages pdf(const std::string& bytes) {
    poppler::set_debug_error_function(ignorePopplerMessage, nullptr);
    std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())));
    if (!document || document->is_locked()) return std::nullopt;
    std::vector<std::string> pages;
    for (int i = 0; i < document->pages(); ++i) {
        std::unique_ptr<poppler::page> page(document->create_page(i));
        if (!page) {
            pages.emplace_back();
            continue;
        }
        const poppler::byte_array text = page->text().to_utf8();
        pages.emplace_back(text.begin(), text.end());
    }
    // A document without pages reads as one without text.
    if (pages.empty()) pages.emplace_back();
    return pages;
}

// Office documents: the text of one part, paragraphs, tabs and breaks kept.
struct XmlText {
    enum class Dialect { word, openDocument };
    Dialect dialect;
    std::string text;

    static std::string_view name(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

    void walk(const xmlNode* node, bool inWordText) {
        for (; node; node = node->next) {
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                if (dialect == Dialect::openDocument || inWordText)
                    text += reinterpret_cast<const char*>(node->content ? node->content : BAD_CAST "");
                continue;
            }
            if (node->type != XML_ELEMENT_NODE) continue;
            dialect == Dialect::word ? word(node) : openDocument(node);
        }
    }

    void word(const xmlNode* node) {
        const std::string_view tag = name(node);
        if (tag == "t") return walk(node->children, true);
        if (tag == "tab") {
            text += '\t';
        } else if (tag == "br" || tag == "cr") {
            text += '\n';
        } else if (tag == "instrText" || tag == "delText") {
            return;
        } else {
            walk(node->children, false);
            if (tag == "p") text += '\n';
        }
    }

    void openDocument(const xmlNode* node) {
        const std::string_view tag = name(node);
        if (tag == "tab") {
            text += '\t';
        } else if (tag == "line-break") {
            text += '\n';
        } else if (tag == "s") {
            xmlChar* count = xmlGetProp(node, BAD_CAST "c");
            const int spaces = count ? std::clamp(std::atoi(reinterpret_cast<const char*>(count)), 1, 1000) : 1;
            xmlFree(count);
            text.append(static_cast<std::size_t>(spaces), ' ');
        } else if (tag == "annotation" || tag == "tracked-changes") {
            return;
        } else {
            walk(node->children, false);
            if (tag == "p" || tag == "h") text += '\n';
        }
    }
};

Pages office(const std::string& bytes, const char* part, XmlText::Dialect dialect) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source) return std::nullopt;
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive) {
        zip_source_free(source);
        return std::nullopt;
    }
    std::unique_ptr<zip_t, int (*)(zip_t*)> closing(archive, zip_close);
    zip_stat_t stat;
    if (zip_stat(archive, part, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) || stat.size > partLimit)
        return std::nullopt;
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen(archive, part, 0), zip_fclose);
    if (!file) return std::nullopt;
    std::string xml(static_cast<std::size_t>(stat.size), '\0');
    if (zip_fread(file.get(), xml.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) return std::nullopt;

    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> document(
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), part, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR |
                                                                              XML_PARSE_NOWARNING),
        xmlFreeDoc);
    if (!document) return std::nullopt;
    XmlText text{dialect, {}};
    text.walk(xmlDocGetRootElement(document.get()), false);
    return std::vector<std::string>{Text::wellFormed(text.text)};
}

Pages webArchive(const std::string& bytes) {
    if (bytes.size() > UINT32_MAX) return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    if (!root) return std::nullopt;
    std::unique_ptr<void, void (*)(plist_t)> freeing(root, plist_free);
    if (plist_get_node_type(root) != PLIST_DICT) return std::nullopt;
    plist_t main = plist_dict_get_item(root, "WebMainResource");
    if (!main || plist_get_node_type(main) != PLIST_DICT) return std::nullopt;
    plist_t data = plist_dict_get_item(main, "WebResourceData");
    if (!data || plist_get_node_type(data) != PLIST_DATA) return std::nullopt;
    uint64_t length = 0;
    const char* raw = plist_get_data_ptr(data, &length);
    const std::string page(raw ? raw : "", raw ? static_cast<std::size_t>(length) : 0);

    // Read in place: copying a string out asserts, and so ends the reader, when the length the
    // file gave it is not that of its text, as when it holds a NUL. Such a name names no charset.
    std::optional<std::string> charset = "UTF-8";
    plist_t encoding = plist_dict_get_item(main, "WebResourceTextEncodingName");
    uint64_t nameLength = 0;
    if (const char* name = encoding ? plist_get_string_ptr(encoding, &nameLength) : nullptr) {
        const std::size_t textLength = ::strnlen(name, static_cast<std::size_t>(nameLength));
        charset = textLength == nameLength ? std::optional<std::string>(std::string(name, textLength)) : std::nullopt;
    }
    const std::optional<std::string> text = charset ? converted(page, charset->c_str()) : std::nullopt;
    return std::vector<std::string>{HtmlText::stripTags(text ? *text : Text::wellFormed(page))};
}

// What the Word reader hands over, character by character.
struct WordText {
    std::string text;
    // Inside a field's instructions, which are not the document's text.
    int fieldDepth = 0;
    bool inInstructions = false;

    void take(char32_t scalar) {
        switch (scalar) {
        case 19: inInstructions = true; ++fieldDepth; return;
        case 20: inInstructions = false; return;
        case 21: if (fieldDepth > 0) --fieldDepth; inInstructions = false; return;
        case 13:
        case 11:
        case 12: scalar = U'\n'; break;
        case 7:
        case 9: scalar = U'\t'; break;
        case 30: scalar = U'-'; break;
        default:
            if (scalar < 0x20) return;
        }
        if (inInstructions) return;
        if (scalar >= 0xD800 && scalar <= 0xDFFF) scalar = 0xFFFD;
        text += Text::fromScalars(std::u32string(1, scalar));
    }
};

int wordCharacter(wvParseStruct* parse, U16 character, U8 type, U16 language) {
    auto* text = static_cast<WordText*>(parse->userData);
    if (type == 0 && character >= 0x80) {
        const char byte = static_cast<char>(character & 0xFF);
        const std::optional<std::string> decoded = converted(std::string_view(&byte, 1), wvLIDToCodePageConverter(language));
        const std::u32string scalars = Text::scalars(decoded ? *decoded : std::string("\xEF\xBF\xBD"));
        for (char32_t scalar : scalars) text->take(scalar);
        return 0;
    }
    text->take(character);
    return 0;
}

int wordSpecial(wvParseStruct*, U16, CHP*) { return 0; }

Pages word() {
    wvInit();
    wvParseStruct parse{};
    char path[] = "/proc/self/fd/0";
    if (wvInitParser(&parse, path) != 0) return std::nullopt;
    if (parse.fib.fEncrypted) {
        wvOLEFree(&parse);
        return std::nullopt;
    }
    WordText text;
    parse.userData = &text;
    wvSetCharHandler(&parse, wordCharacter);
    wvSetSpecialCharHandler(&parse, wordSpecial);
    wvDecodeSimple(&parse, Dmain);
    wvOLEFree(&parse);
    return std::vector<std::string>{Text::wellFormed(text.text)};
}

// GCC says a build is under AddressSanitizer with a macro; clang before 15 only answers
// __has_feature.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool underAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool underAddressSanitizer = true;
#else
constexpr bool underAddressSanitizer = false;
#endif
#else
constexpr bool underAddressSanitizer = false;
#endif

// AddressSanitizer's shadow memory alone takes far more address space than the cap.
void keepWithinMemory() {
    if (underAddressSanitizer) return;
    const rlimit limit{DocumentReader::memoryLimit, DocumentReader::memoryLimit};
    ::setrlimit(RLIMIT_AS, &limit);
}

bool writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(1, bytes.data(), bytes.size());
        if (wrote <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return true;
}

} // namespace

int DocumentReader::serve(std::string_view kind) {
    keepWithinMemory();
    Pages pages;
    if (kind == "doc") {
        pages = word();
    } else {
        const std::optional<std::string> bytes = standardInput();
        if (!bytes) return 2;
        if (kind == "pdf") pages = pdf(*bytes);
        if (kind == "rtf") pages = std::vector<std::string>{RtfText::plain(*bytes)};
        if (kind == "docx") pages = office(*bytes, "word/document.xml", XmlText::Dialect::word);
        if (kind == "odt") pages = office(*bytes, "content.xml", XmlText::Dialect::openDocument);
        if (kind == "webarchive") pages = webArchive(*bytes);
    }
    if (!pages) return 1;
    for (const std::string& page : *pages) {
        if (!writeAll(std::to_string(page.size()) + "\n") || !writeAll(page)) return 3;
    }
    return 0;
}

} // namespace tarvo
