#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// The one line that says what the assistant is working to, and the words of standing it down.
struct MissionLine {
    static constexpr std::string_view standDown = "Stand down";
    static constexpr std::string_view standDownQuestion =
        "Stand Tarvo down? It stops working to this mission. What it already did is kept.";
    static constexpr std::string_view standDownKeep = "Keep working";
    static constexpr std::string_view standDownFailed =
        "Couldn't stand Tarvo down, so it is still working to this. Try again.";

    // The most characters of the mission the line shows; characters are user-perceived ones.
    static constexpr std::size_t shownCharacters = 90;

    // When the mission could not be read (`known` false), says so. Otherwise the title, or when
    // it is missing or only blanks the body under the same test, shown as given up to
    // `shownCharacters`; with neither, an invitation to set one.
    static std::string text(bool known, const std::optional<std::string>& title, const std::optional<std::string>& body);
};

} // namespace tarvo
