#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCore/Operator/AXNode.h"
#include "TarvoCore/Operator/MacElementInfo.h"

namespace tarvo {

// The front window of an application as text for the service: one line per node worth showing,
// indented by its depth in the tree, each carrying an element id "generation.number" by which the
// service may later name the control.
struct AXSnapshot {
    // UTF-16 code units of text the step executor asks for.
    static constexpr std::size_t budget = 6000;
    static constexpr std::string_view secureRole = "AXSecureTextField";
    // Roles of the controls the service may press or type into.
    static constexpr std::array<std::string_view, 17> actionableRoles{
        "AXButton", "AXLink", "AXTextField", "AXTextArea", "AXSearchField", "AXComboBox",
        "AXMenuItem", "AXMenuButton", "AXPopUpButton", "AXCheckBox", "AXRadioButton", "AXMenuBarItem",
        "AXTab", "AXDisclosureTriangle", "AXIncrementor", "AXSlider", "AXCell",
    };

    std::string app;
    std::int64_t generation = 0;
    // The lines joined by line feeds, no trailing one; never longer than the budget.
    std::string text;
    // The budget ran out before the tree did.
    bool truncated = false;
    // The number of lines in `text`.
    std::size_t elementCount = 0;
    // The actionable lines, in line order, at most `MacElementInfo::limit`.
    std::vector<MacElementInfo> elements;
    // Each of `elements`' ids to its node's `ref`.
    std::map<std::string, std::size_t> elementRefs;

    // `budget` counts UTF-16 code units. A node's words are its title, label and value, each on
    // one line and trimmed, repeats left out; a password field shows its role alone.
    static AXSnapshot serialize(const AXNode& root, std::string app, std::int64_t generation, std::size_t budget);
    // Either is "AXSecureTextField", exactly.
    static bool isSecure(std::optional<std::string_view> role, std::optional<std::string_view> subrole);
    // "3.17".
    static std::string elementId(std::int64_t generation, std::int64_t index);
    // The element number of an id of the current generation: exactly two decimal integers (a
    // sign allowed) around one ".", the first the generation, the second at least 1.
    static std::optional<std::int64_t> resolve(std::string_view id, std::int64_t currentGeneration);

    bool operator==(const AXSnapshot&) const = default;
};

} // namespace tarvo
