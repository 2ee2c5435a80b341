#include "Platform/RtfText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <optional>
#include <vector>

#include <unicode/ucnv.h>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

// Destinations whose text is not the document's.
constexpr std::array<std::string_view, 24> skippedDestinations{
    "fonttbl",  "colortbl",  "stylesheet", "info",     "pict",     "header",        "headerl",  "headerr",
    "headerf",  "footer",    "footerl",    "footerr",  "footerf",  "listtable",     "listoverridetable",
    "rsidtbl",  "generator", "xmlnstbl",   "themedata", "colorschememapping", "datastore", "latentstyles",
    "objdata",  "fldinst"};

struct Group {
    int unicodeSkip = 1;
    bool skipped = false;
};

struct ConverterClose {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

class Reader {
public:
    explicit Reader(std::string_view rtf) : rtf_(rtf) { groups_.push_back({}); }

    std::string read() {
        while (at_ < rtf_.size()) {
            const char c = rtf_[at_++];
            if (c == '{') {
                flushBytes();
                groups_.push_back(groups_.back());
            } else if (c == '}') {
                flushBytes();
                if (groups_.size() > 1) groups_.pop_back();
            } else if (c == '\\') {
                control();
            } else if (c != '\r' && c != '\n') {
                character(static_cast<unsigned char>(c));
            }
        }
        flushBytes();
        return Text::wellFormed(text_);
    }

private:
    Group& group() { return groups_.back(); }

    void control() {
        if (at_ >= rtf_.size()) return;
        const char c = rtf_[at_];
        if (std::isalpha(static_cast<unsigned char>(c))) return word();
        ++at_;
        switch (c) {
        case '\'': return hexByte();
        case '*': group().skipped = true; return;
        case '~': return put(U'\u00A0');
        case '_': return put(U'\u2011');
        case '-': return;
        case '\r':
        case '\n': return put(U'\n');
        default: return character(static_cast<unsigned char>(c));
        }
    }

    void word() {
        const std::size_t start = at_;
        while (at_ < rtf_.size() && std::isalpha(static_cast<unsigned char>(rtf_[at_]))) ++at_;
        const std::string_view name = rtf_.substr(start, at_ - start);
        std::optional<long> parameter;
        const std::size_t digits = at_;
        if (at_ < rtf_.size() && rtf_[at_] == '-') ++at_;
        while (at_ < rtf_.size() && std::isdigit(static_cast<unsigned char>(rtf_[at_])) && at_ - digits < 11) ++at_;
        if (at_ > digits && !(at_ == digits + 1 && rtf_[digits] == '-'))
            parameter = std::stol(std::string(rtf_.substr(digits, at_ - digits)));
        else
            at_ = digits;
        if (at_ < rtf_.size() && rtf_[at_] == ' ') ++at_;
        act(name, parameter);
    }

    void act(std::string_view name, std::optional<long> parameter) {
        if (std::ranges::find(skippedDestinations, name) != skippedDestinations.end()) {
            group().skipped = true;
            return;
        }
        if (name == "ansicpg" && parameter) {
            flushBytes();
            codePage_ = *parameter;
            converter_.reset();
        } else if (name == "uc" && parameter) {
            group().unicodeSkip = static_cast<int>(std::clamp<long>(*parameter, 0, 8));
        } else if (name == "u" && parameter) {
            unicode(*parameter < 0 ? *parameter + 65536 : *parameter);
            pendingSkip_ = group().unicodeSkip;
        } else if (name == "par" || name == "line" || name == "sect" || name == "page" || name == "row") {
            put(U'\n');
        } else if (name == "tab" || name == "cell") {
            put(U'\t');
        } else if (name == "emdash") {
            put(U'\u2014');
        } else if (name == "endash") {
            put(U'\u2013');
        } else if (name == "bullet") {
            put(U'\u2022');
        } else if (name == "lquote") {
            put(U'\u2018');
        } else if (name == "rquote") {
            put(U'\u2019');
        } else if (name == "ldblquote") {
            put(U'\u201C');
        } else if (name == "rdblquote") {
            put(U'\u201D');
        }
    }

    void hexByte() {
        if (at_ + 2 > rtf_.size()) return;
        const std::string hex(rtf_.substr(at_, 2));
        at_ += 2;
        if (!std::isxdigit(static_cast<unsigned char>(hex[0])) || !std::isxdigit(static_cast<unsigned char>(hex[1])))
            return;
        if (skipOne()) return;
        bytes_.push_back(static_cast<char>(std::stoi(hex, nullptr, 16)));
    }

    void character(unsigned char c) {
        if (skipOne()) return;
        if (c < 0x80) {
            put(c);
        } else {
            bytes_.push_back(static_cast<char>(c));
        }
    }

    // A character that stands in for the "\u" before it.
    bool skipOne() {
        if (group().skipped) return true;
        if (pendingSkip_ == 0) return false;
        --pendingSkip_;
        return true;
    }

    void unicode(long unit) {
        if (group().skipped) return;
        flushBytes();
        const auto scalar = static_cast<char32_t>(unit);
        if (scalar >= 0xD800 && scalar <= 0xDBFF) {
            highSurrogate_ = scalar;
            return;
        }
        if (scalar >= 0xDC00 && scalar <= 0xDFFF) {
            if (highSurrogate_) put(0x10000 + ((*highSurrogate_ - 0xD800) << 10) + (scalar - 0xDC00));
            highSurrogate_.reset();
            return;
        }
        put(scalar);
    }

    void put(char32_t scalar) {
        if (group().skipped) return;
        flushBytes();
        highSurrogate_.reset();
        text_ += Text::fromScalars(std::u32string(1, scalar));
    }

    void flushBytes() {
        if (bytes_.empty()) return;
        std::string bytes = std::move(bytes_);
        bytes_.clear();
        UErrorCode status = U_ZERO_ERROR;
        if (!converter_) {
            const std::string name = (codePage_ >= 1250 && codePage_ <= 1258 ? "windows-" : "cp") + std::to_string(codePage_);
            converter_.reset(ucnv_open(name.c_str(), &status));
            if (U_FAILURE(status)) {
                status = U_ZERO_ERROR;
                converter_.reset(ucnv_open("windows-1252", &status));
            }
            if (U_FAILURE(status)) return;
        }
        std::vector<UChar> units(bytes.size() * 2 + 1);
        const int32_t length = ucnv_toUChars(converter_.get(), units.data(), static_cast<int32_t>(units.size()),
                                             bytes.data(), static_cast<int32_t>(bytes.size()), &status);
        if (U_FAILURE(status)) return;
        std::u32string scalars;
        for (int32_t i = 0; i < length; ++i) {
            char32_t unit = units[static_cast<std::size_t>(i)];
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length) {
                const char32_t low = units[static_cast<std::size_t>(++i)];
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
            scalars.push_back(unit);
        }
        text_ += Text::fromScalars(scalars);
    }

    std::string_view rtf_;
    std::size_t at_ = 0;
    std::vector<Group> groups_;
    std::string text_;
    std::string bytes_;
    long codePage_ = 1252;
    std::unique_ptr<UConverter, ConverterClose> converter_;
    int pendingSkip_ = 0;
    std::optional<char32_t> highSurrogate_;
};

} // namespace

std::string RtfText::plain(std::string_view rtf) { return Reader(rtf).read(); }

} // namespace tarvo
