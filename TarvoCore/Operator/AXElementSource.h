#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The accessibility tree of a running application, as the platform reads it. `Element` is the
// platform's handle to one live element. Attributes carry the accessibility names below; a source
// maps them to whatever its platform calls them.
template <class Element>
class AXElementSource {
public:
    static constexpr std::string_view roleAttribute = "AXRole";
    static constexpr std::string_view subroleAttribute = "AXSubrole";
    static constexpr std::string_view titleAttribute = "AXTitle";
    static constexpr std::string_view descriptionAttribute = "AXDescription";
    static constexpr std::string_view valueAttribute = "AXValue";
    static constexpr std::string_view enabledAttribute = "AXEnabled";

    virtual ~AXElementSource() = default;

    // Nothing when the element has no such attribute or it cannot be read as text.
    virtual std::optional<std::string> string(std::string_view attribute, const Element& element) = 0;
    // In the platform's order; empty when they cannot be read.
    virtual std::vector<Element> children(const Element& element) = 0;
    // A yes-or-no attribute; a source that cannot read them leaves every one unknown.
    virtual std::optional<bool> boolean(std::string_view, const Element&) { return std::nullopt; }
};

} // namespace tarvo
