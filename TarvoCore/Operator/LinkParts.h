#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The route named by a link of the application's own scheme: the host when it is not empty,
// then the non-empty pieces of the path. tarvo://settings/accessibility and
// tarvo:///settings/accessibility both give settings, accessibility.
class LinkParts {
public:
    static constexpr std::string_view scheme = "tarvo";

    // Nothing for a link of another scheme (compared case-sensitively) or with a broken
    // percent escape. The query and fragment play no part.
    static std::optional<std::vector<std::string>> of(std::string_view link);
};

} // namespace tarvo
