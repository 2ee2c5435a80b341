#include <exception>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>

#include "TarvoBase/OnWorker.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCore/Companion/ExtensionHandoff.h"

namespace tarvo {
namespace {

struct BrowsersFound {
    std::set<std::string> installed;
    std::optional<std::string> defaultBrowser;
};

BrowsersFound lookForBrowsers(BrowserLocator& browsers) {
    BrowsersFound found;
    for (const ExtensionHandoff::Browser& browser : ExtensionHandoff::supported()) {
        if (browsers.applicationLocation(browser.bundleIdentifier)) found.installed.insert(browser.bundleIdentifier);
    }
    try {
        found.defaultBrowser = browsers.defaultBrowser();
    } catch (const std::exception& failure) {
        PlainLog::write(std::string("tarvo: could not tell the default web browser: ") + failure.what());
    }
    return found;
}

const ExtensionHandoff::Browser* chosenBrowser(const ExtensionHandoff::Decision& decision) {
    if (const auto* inDefault = std::get_if<ExtensionHandoff::OpenInDefault>(&decision)) return &inDefault->browser;
    if (const auto* installed = std::get_if<ExtensionHandoff::OpenInInstalled>(&decision)) return &installed->browser;
    return nullptr;
}

} // namespace

void Companion::connectExtension() { spawn(whileAlive(weak_from_this(), &Companion::handOffToExtension)); }

Task<void> Companion::handOffToExtension() {
    const std::shared_ptr<BrowserLocator> browsers = browsers_;
    auto look = [browsers] { return browsers ? lookForBrowsers(*browsers) : BrowsersFound{}; };
    const BrowsersFound found = co_await onWorker(look);
    const ExtensionHandoff::Decision decision = ExtensionHandoff::choose(found.installed, found.defaultBrowser);
    const std::string target = ExtensionHandoff::setupURL(settings_.baseURL);

    const ExtensionHandoff::Browser* browser = chosenBrowser(decision);
    if (!browser) {
        alerts_->present({
            .messageText = "Tarvo needs a different browser for LinkedIn",
            .informativeText = std::get<ExtensionHandoff::CannotOpen>(decision).sentence,
            .buttons = {"OK"},
        });
        co_return;
    }
    // Looked up again: the browser may have gone since.
    auto openInBrowser = [browsers, target, bundleIdentifier = browser->bundleIdentifier] {
        const auto application = browsers->applicationLocation(bundleIdentifier);
        if (!application) return false;
        try {
            browsers->open(target, *application);
        } catch (const std::exception& failure) {
            PlainLog::write("tarvo: could not open " + target + " in " + *application + ": " + failure.what());
        }
        return true;
    };
    const bool opened = co_await onWorker(openInBrowser);
    if (!opened && opener_) opener_->open(target);
}

} // namespace tarvo
