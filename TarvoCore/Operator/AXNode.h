#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

// One accessibility element as the walk read it: plain values, no live element.
struct AXNode {
    // "AXUnknown" when the element has none.
    std::string role = "AXUnknown";
    std::optional<std::string> subrole;
    std::optional<std::string> title;
    std::optional<std::string> value;
    // The element's description.
    std::optional<std::string> label;
    std::vector<AXNode> children;
    // The index of the node's live element in the walk's element list; actionable nodes only.
    std::optional<std::size_t> ref;
    // Read for actionable nodes only; unknown when the source cannot tell.
    std::optional<bool> enabled;

    bool operator==(const AXNode&) const = default;
};

} // namespace tarvo
