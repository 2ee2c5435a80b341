#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>

namespace tarvo {

// Which browser the service's browser extension is connected in. The extension runs only in a
// few browsers; the user's default is taken when it is one of them and installed.
class ExtensionHandoff {
public:
    struct Browser {
        std::string bundleIdentifier;
        std::string name;
        bool operator==(const Browser&) const = default;
    };

    struct OpenInDefault {
        Browser browser;
        bool operator==(const OpenInDefault&) const = default;
    };
    struct OpenInInstalled {
        Browser browser;
        bool operator==(const OpenInInstalled&) const = default;
    };
    // No supported browser is installed; the sentence tells the user so.
    struct CannotOpen {
        std::string sentence;
        bool operator==(const CannotOpen&) const = default;
    };
    using Decision = std::variant<OpenInDefault, OpenInInstalled, CannotOpen>;

    // In order of preference.
    static const std::array<Browser, 3>& supported();

    static Decision choose(const std::set<std::string>& installed,
                           const std::optional<std::string>& defaultBundleIdentifier);

    // The extension's connect page under the web application's base address.
    static std::string setupURL(std::string_view appBaseURL);
};

} // namespace tarvo
