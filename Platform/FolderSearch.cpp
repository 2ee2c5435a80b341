#include "Platform/FolderSearch.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <limits>

#include <fcntl.h>

#include "Platform/FolderEntry.h"
#include "Platform/HtmlText.h"
#include "Platform/PlainText.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/FileReadPolicy.h"
#include "TarvoCore/Operator/FolderAccess.h"
#include "TarvoCore/Operator/PathParts.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view clauseStart = "(kMDItemDisplayName == \"*";
constexpr std::string_view clauseMiddle = "*\"cd || kMDItemTextContent == \"";
constexpr std::string_view clauseEnd = "*\"cdw)";
constexpr std::string_view joiner = " && ";
// What `FileSearchQuery` drops from a term, and so never stands in one.
constexpr std::string_view neverInATerm = "\"\\*?()=&|<>' \t\n\r\f\v";
// The most read of a file's text, as for reading it.
constexpr std::size_t textBytes = 2'097'152;

enum class TextKind { none, plain, html };

TextKind textKindOf(std::string_view name) {
    const auto extension = pathExtension(name);
    if (!extension) return TextKind::none;
    const std::string lowered = Text::lowercased(*extension);
    if (lowered == "html" || lowered == "htm") return TextKind::html;
    constexpr std::array<std::string_view, 5> plain{"txt", "text", "md", "markdown", "csv"};
    return std::ranges::find(plain, lowered) != plain.end() ? TextKind::plain : TextKind::none;
}

// The folded text of the file, read without following a link and without waiting on anything
// that is not a plain file; nothing when it cannot be read.
std::optional<std::string> foldedText(const fs::path& path, TextKind kind) {
    try {
        const FileDescriptor file = FileCalls::open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (!S_ISREG(FileCalls::status(file).st_mode)) return std::nullopt;
        std::string text = PlainText::start(file.get(), textBytes);
        if (kind == TextKind::html) text = HtmlText::stripTags(text);
        return Text::folded(text);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

char32_t scalarBefore(std::string_view text, std::size_t at) {
    std::size_t start = at;
    do {
        --start;
    } while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80);
    const std::u32string scalars = Text::scalars(text.substr(start, at - start));
    return scalars.empty() ? U'\0' : scalars.front();
}

class Search {
public:
    Search(const std::vector<std::string>& terms, std::chrono::steady_clock::time_point deadline)
        : deadline_(deadline) {
        for (const std::string& term : terms) terms_.push_back(Text::folded(term));
    }

    void walk(const fs::path& folder, const std::optional<fs::path>& passOver) {
        std::error_code failed;
        fs::directory_iterator entries(folder, fs::directory_options::skip_permission_denied, failed);
        for (const fs::directory_iterator end; !failed && entries != end; entries.increment(failed)) {
            if (std::chrono::steady_clock::now() >= deadline_) {
                outOfTime_ = true;
                return;
            }
            const fs::path path = entries->path();
            const std::string name = path.filename().string();
            if (FolderEntry::isHidden(name) || (passOver && path == *passOver)) continue;
            const auto status = FolderEntry::status(path);
            if (!status) continue;
            if (S_ISDIR(status->st_mode)) {
                if (!FolderEntry::isPackage(name)) walk(path, std::nullopt);
                if (outOfTime_) return;
                continue;
            }
            if (!S_ISREG(status->st_mode) || !matches(path, name)) continue;
            found.push_back(FolderEntry::found(path, *status));
        }
    }

    std::vector<FolderAccess::Found> found;

private:
    bool matches(const fs::path& path, const std::string& name) {
        std::optional<std::string> text;
        bool textRead = false;
        const TextKind kind = textKindOf(name);
        for (const std::string& term : terms_) {
            if (FolderAccess::matches(name, term)) continue;
            if (kind == TextKind::none) return false;
            if (!textRead) {
                text = foldedText(path, kind);
                textRead = true;
            }
            if (!text || !FolderSearch::beginsAWord(*text, term)) return false;
        }
        return true;
    }

    std::vector<std::string> terms_;
    std::chrono::steady_clock::time_point deadline_;
    bool outOfTime_ = false;
};

} // namespace

std::optional<std::vector<std::string>> FolderSearch::terms(std::string_view text) {
    std::vector<std::string> terms;
    while (true) {
        if (!text.starts_with(clauseStart)) return std::nullopt;
        text.remove_prefix(clauseStart.size());
        const std::size_t middle = text.find(clauseMiddle);
        if (middle == 0 || middle == std::string_view::npos) return std::nullopt;
        const std::string_view term = text.substr(0, middle);
        if (term.find_first_of(neverInATerm) != std::string_view::npos) return std::nullopt;
        text.remove_prefix(middle + clauseMiddle.size());
        if (!text.starts_with(term)) return std::nullopt;
        text.remove_prefix(term.size());
        if (!text.starts_with(clauseEnd)) return std::nullopt;
        text.remove_prefix(clauseEnd.size());
        terms.emplace_back(term);
        if (text.empty()) return terms;
        if (!text.starts_with(joiner)) return std::nullopt;
        text.remove_prefix(joiner.size());
    }
}

bool FolderSearch::beginsAWord(std::string_view text, std::string_view term) {
    if (term.empty()) return false;
    for (std::size_t at = text.find(term); at != std::string_view::npos; at = text.find(term, at + 1)) {
        if (at == 0 || !Text::isLetterOrNumber(scalarBefore(text, at))) return true;
    }
    return false;
}

FoundFiles FolderSearch::gather(const std::vector<std::string>& terms, const std::vector<std::string>& scopes,
                                const std::string& home, std::int64_t limit, std::chrono::duration<double> seconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(seconds);
    Search search(terms, deadline);
    // The Library folder holds the programs' own files, not the user's; iCloud Drive inside it
    // is a scope of its own.
    const fs::path homeFolder = fs::path(home).lexically_normal() / "";
    for (const std::string& scope : scopes) {
        const bool isHome = (fs::path(scope).lexically_normal() / "") == homeFolder;
        search.walk(scope, isHome ? std::optional(homeFolder / "Library") : std::nullopt);
    }
    const int kept = static_cast<int>(std::clamp<std::int64_t>(limit, 1, std::numeric_limits<int>::max()));
    return FolderAccess::newest(std::move(search.found), kept);
}

} // namespace tarvo
