#include "TarvoCore/Operator/FileSearchQuery.h"

#include <algorithm>
#include <vector>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

constexpr std::size_t termsKept = 8;
constexpr std::string_view dropped = "\"\\*?()=&|<>'";

std::string clause(const std::string& term) {
    return "(kMDItemDisplayName == \"*" + term + "*\"cd || kMDItemTextContent == \"" + term + "*\"cdw)";
}

} // namespace

std::optional<std::string> FileSearchQuery::metadataQuery(std::string_view query) {
    std::vector<std::string> terms;
    for (std::string term : Text::splitAtWhitespace(query)) {
        std::erase_if(term, [](char c) { return dropped.find(c) != std::string_view::npos; });
        if (!term.empty()) terms.push_back(std::move(term));
        if (terms.size() == termsKept) break;
    }
    if (terms.empty()) return std::nullopt;
    std::string text;
    for (const std::string& term : terms) {
        if (!text.empty()) text += " && ";
        text += clause(term);
    }
    return text;
}

} // namespace tarvo
