#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

// The text of a document as handed to the service, cut to a budget of UTF-16 code units.
struct FileText {
    // The largest text handed over, in UTF-16 code units.
    static constexpr std::size_t budget = 24000;

    std::string text;
    // The document held more text than was handed over.
    bool truncated = false;
    // For a paged document: how many pages it has, and how many whole pages `text` holds.
    std::optional<int> pages;
    std::optional<int> pagesRead;

    // The text whole when it fits; otherwise its longest prefix of whole characters within the
    // budget, taken back to before its last line break so no line is handed over half.
    static FileText plain(const std::string& text, std::size_t budget);
    // Each page under a heading "[Page N]", pages apart by a blank line, as many whole pages as
    // fit. A first page that does not fit alone is cut as `plain` cuts.
    static FileText paged(const std::vector<std::string>& pages, std::size_t budget);

    bool operator==(const FileText&) const = default;
};

} // namespace tarvo
