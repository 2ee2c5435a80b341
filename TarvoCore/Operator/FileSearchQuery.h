#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// The service's free-text file query as the text of a metadata query: each term must be in the
// file's name, or begin a word of its text.
class FileSearchQuery {
public:
    // Up to 8 terms, each with the characters of the query language's own syntax dropped;
    // nothing when no term is left.
    static std::optional<std::string> metadataQuery(std::string_view query);
};

} // namespace tarvo
