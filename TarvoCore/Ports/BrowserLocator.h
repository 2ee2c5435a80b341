#pragma once

#include <optional>
#include <string>

namespace tarvo {

// The web browsers installed on this computer, named by their bundle identifiers. Each call
// may read files or start a program, so callers keep it off the main loop.
class BrowserLocator {
public:
    virtual ~BrowserLocator() = default;

    // Where the browser with this identifier is installed; nothing when it is not.
    virtual std::optional<std::string> applicationLocation(const std::string& bundleIdentifier) = 0;

    // The identifier of the user's default web browser; nothing when it cannot be told.
    virtual std::optional<std::string> defaultBrowser() = 0;

    // Opens `address` in the browser installed at `application`.
    virtual void open(const std::string& address, const std::string& application) = 0;
};

} // namespace tarvo
