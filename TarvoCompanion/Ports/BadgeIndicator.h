#pragma once

#include <optional>
#include <string>

namespace tarvo {

// The short label on the application's icon that counts what waits for the user.
class BadgeIndicator {
public:
    virtual ~BadgeIndicator() = default;

    // Nothing when no label is shown.
    virtual std::optional<std::string> label() const = 0;
    virtual void setLabel(std::optional<std::string> label) = 0;
};

} // namespace tarvo
