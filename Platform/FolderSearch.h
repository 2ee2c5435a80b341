#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCore/Operator/FoundFiles.h"

namespace tarvo {

// The file search of this computer: a walk of the folders, since no index of the files here can
// be relied on to be filled. A term matches a file when its name holds the term (case and
// diacritics ignored) or, for a text or HTML file, when a word of its text begins with it.
class FolderSearch {
public:
    // The terms of a query written by `FileSearchQuery::metadataQuery`, read back clause by
    // clause; nothing for any other text.
    static std::optional<std::vector<std::string>> terms(std::string_view metadataQuery);

    // The newest files below the scopes that match every term, at most `limit` (at least 1),
    // truncated when more matched. Hidden and package folders, the Library folder of `home` and
    // links are passed over; a scope that does not exist is skipped. The walk ends when
    // `seconds` have passed, with what it found by then. Blocks.
    static FoundFiles gather(const std::vector<std::string>& terms, const std::vector<std::string>& scopes,
                             const std::string& home, std::int64_t limit, std::chrono::duration<double> seconds);

    // Whether a word of `foldedText` begins with `foldedTerm`, both folded by `Text::folded`.
    static bool beginsAWord(std::string_view foldedText, std::string_view foldedTerm);
};

} // namespace tarvo
