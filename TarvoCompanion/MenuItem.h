#pragma once

#include <string>
#include <vector>

namespace tarvo {

// One entry of the menu-bar menu as whatever draws it needs it: a line of text, a button, a
// toggle with its check mark, a picker with its choices, or a divider. Buttons, toggles and the
// picker's choices have ids, by which they are pressed.
struct MenuItem {
    enum class Kind { text, button, toggle, picker, divider };
    struct Choice {
        std::string id;
        std::string title;
        bool checked = false;
        bool operator==(const Choice&) const = default;
    };

    Kind kind = Kind::text;
    std::string id;
    std::string title;
    bool enabled = true;
    bool checked = false;
    std::vector<Choice> choices;

    static MenuItem text(std::string title) { return {Kind::text, {}, std::move(title), false, false, {}}; }
    static MenuItem button(std::string id, std::string title, bool enabled = true) {
        return {Kind::button, std::move(id), std::move(title), enabled, false, {}};
    }
    static MenuItem toggle(std::string id, std::string title, bool checked) {
        return {Kind::toggle, std::move(id), std::move(title), true, checked, {}};
    }
    static MenuItem divider() { return {Kind::divider, {}, {}, false, false, {}}; }

    bool operator==(const MenuItem&) const = default;
};

} // namespace tarvo
