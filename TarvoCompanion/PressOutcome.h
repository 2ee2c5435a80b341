#pragma once

#include <string>

namespace tarvo {

// What pressing an item of the menu or of a setup window by its id came to. `sentence` says why
// nothing was done, or what the press left to know (a code that could not be copied).
struct PressOutcome {
    enum class Kind { done, unknown, disabled, failed };

    Kind kind = Kind::done;
    std::string sentence;

    static PressOutcome done(std::string sentence = {}) { return {Kind::done, std::move(sentence)}; }
    static PressOutcome failed(std::string sentence) { return {Kind::failed, std::move(sentence)}; }
    static PressOutcome unknown(const std::string& id, const std::string& where) {
        return {Kind::unknown, "There is no item \"" + id + "\" in " + where + "."};
    }
    static PressOutcome disabled(const std::string& title) {
        return {Kind::disabled, "\"" + title + "\" cannot be chosen now."};
    }

    bool operator==(const PressOutcome&) const = default;
};

} // namespace tarvo
