#pragma once

#include <optional>
#include <string>

namespace tarvo {

// What the element of an act is, as the actor describes it.
struct ActTarget {
    std::optional<std::string> role;
    std::optional<std::string> subrole;
    std::optional<std::string> title;
    std::optional<std::string> label;
    // The title of the element's window.
    std::optional<std::string> windowTitle;
    // The text of the dialog or sheet the element is in.
    std::optional<std::string> dialogText;
    std::optional<bool> enabled;

    // The title or else the label, trimmed, when one has words; else the role; else "control".
    std::string name() const;
    // A password field, by its role or its subrole.
    bool isSecure() const;

    bool operator==(const ActTarget&) const = default;
};

} // namespace tarvo
