#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "TarvoBase/BundleInfo.h"
#include "TarvoBase/Logger.h"
#include "TarvoBase/Task.h"

namespace tarvo {

// The browser extension as the program can see it: whether this copy carries its handler, what
// the browser says about it, and the way to its settings. No browser on this computer tells a
// program whether an extension is switched on, nor shows an extension's settings on request.
class SafariSwitch {
public:
    // The extension's own identifier, the program's followed by ".safari".
    static constexpr std::string_view extensionIdentifier = "com.tarvo.companion.safari";
    // Whether the browser has the extension switched on; nothing when it does not say.
    using AskBrowser = std::function<Task<std::optional<bool>>()>;

    // The "safari" category of the named log.
    static const Logger& log();

    // `handler`: the handler's executable as the bundle information names it; `askBrowser`
    // nothing where no browser answers.
    SafariSwitch(std::optional<std::filesystem::path> handler, AskBrowser askBrowser);
    // The handler the program's bundle information names, and no browser that answers.
    static SafariSwitch ofThisProgram(const BundleInfo& bundle = BundleInfo::main());

    // The named handler is there and executable; looked at afresh each time.
    bool isEmbedded() const;
    // Nothing, without asking the browser, when the extension is not carried.
    Task<std::optional<bool>> isOn() const;
    // Fire and forget: says in the log that there is no browser to show the settings in.
    void showInSafari() const;

private:
    std::optional<std::filesystem::path> handler_;
    AskBrowser askBrowser_;
};

} // namespace tarvo
