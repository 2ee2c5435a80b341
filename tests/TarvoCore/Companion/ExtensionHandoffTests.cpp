#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "TarvoCore/Companion/ExtensionHandoff.h"

using tarvo::ExtensionHandoff;

namespace {

const ExtensionHandoff::Browser chrome{"com.google.Chrome", "Chrome"};
const ExtensionHandoff::Browser edge{"com.microsoft.edgemac", "Edge"};
const ExtensionHandoff::Browser arc{"company.thebrowser.Browser", "Arc"};
const std::string noBrowser = "Tarvo reads LinkedIn through a browser extension, which needs Chrome, Edge or Arc. "
                              "Install one of those and press Connect again.";

} // namespace

TEST(ExtensionHandoff, ChoosesTheDefaultBrowserWhenSupportedAndInstalledElseTheFirstInstalled) {
    struct Case {
        std::set<std::string> installed;
        std::optional<std::string> defaultBrowser;
        ExtensionHandoff::Decision expected;
    };
    const Case cases[] = {
        {{chrome.bundleIdentifier, edge.bundleIdentifier},
         chrome.bundleIdentifier,
         ExtensionHandoff::OpenInDefault{chrome}},
        {{edge.bundleIdentifier, arc.bundleIdentifier}, "com.apple.Safari", ExtensionHandoff::OpenInInstalled{edge}},
        {{arc.bundleIdentifier}, arc.bundleIdentifier, ExtensionHandoff::OpenInDefault{arc}},
        {{arc.bundleIdentifier}, chrome.bundleIdentifier, ExtensionHandoff::OpenInInstalled{arc}},
        {{arc.bundleIdentifier, chrome.bundleIdentifier}, std::nullopt, ExtensionHandoff::OpenInInstalled{chrome}},
        {{chrome.bundleIdentifier}, "com.google.chrome", ExtensionHandoff::OpenInInstalled{chrome}},
        {{}, chrome.bundleIdentifier, ExtensionHandoff::CannotOpen{noBrowser}},
        {{"org.mozilla.firefox", "com.apple.Safari"}, "org.mozilla.firefox", ExtensionHandoff::CannotOpen{noBrowser}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.defaultBrowser.value_or("no default"));
        EXPECT_EQ(ExtensionHandoff::choose(c.installed, c.defaultBrowser), c.expected);
    }
}

TEST(ExtensionHandoff, TheConnectPageHangsOffTheBaseWithOneSlash) {
    EXPECT_EQ(ExtensionHandoff::setupURL("https://tarvo.app"), "https://tarvo.app/app/settings/extension/connect");
    EXPECT_EQ(ExtensionHandoff::setupURL("https://tarvo.app/"), "https://tarvo.app/app/settings/extension/connect");
    EXPECT_EQ(ExtensionHandoff::setupURL("http://127.0.0.1:8080/base"),
              "http://127.0.0.1:8080/base/app/settings/extension/connect");
    // The page's path never lands inside a query or a fragment of the base.
    EXPECT_EQ(ExtensionHandoff::setupURL("https://tarvo.app/base?region=eu"),
              "https://tarvo.app/base/app/settings/extension/connect");
    EXPECT_EQ(ExtensionHandoff::setupURL("https://tarvo.app/#home"), "https://tarvo.app/app/settings/extension/connect");
}
