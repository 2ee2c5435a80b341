#pragma once

#include <array>
#include <string_view>

namespace tarvo {

// What the menu and the setup window offer of the browser extension: nothing when this copy of
// the program does not carry it, its "on" line once the browser says it is on, else the offer to
// switch it on.
class SafariSetup {
public:
    enum Kind { hidden, on, offer };

    static constexpr std::string_view buttonTitle = "Turn on Tarvo in Safari";
    static constexpr std::string_view onLine = "Tarvo is on in Safari";
    // What the setup window tells the user to do in the browser's settings, in order.
    static constexpr std::array<std::string_view, 2> steps{"Tick Tarvo.", "Choose Allow on every website."};

    constexpr SafariSetup(Kind kind) : kind_(kind) {}

    // Not carried: hidden, whatever the browser says.
    static SafariSetup decide(bool embedded, bool enabled);

    constexpr Kind kind() const { return kind_; }
    constexpr bool operator==(const SafariSetup&) const = default;

private:
    Kind kind_;
};

// "hidden", "on" or "offer".
std::string_view rawValue(SafariSetup setup);

} // namespace tarvo
