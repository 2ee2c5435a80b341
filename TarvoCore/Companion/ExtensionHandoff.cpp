#include "TarvoCore/Companion/ExtensionHandoff.h"

#include <vector>

#include "TarvoClient/ServiceRequest.h"

namespace tarvo {
namespace {

std::string browserNames() {
    const auto& browsers = ExtensionHandoff::supported();
    std::string names;
    for (std::size_t i = 0; i < browsers.size(); ++i) {
        if (i > 0) names += i + 1 == browsers.size() ? " or " : ", ";
        names += browsers[i].name;
    }
    return names;
}

} // namespace

const std::array<ExtensionHandoff::Browser, 3>& ExtensionHandoff::supported() {
    static const std::array<Browser, 3> browsers{{
        {"com.google.Chrome", "Chrome"},
        {"com.microsoft.edgemac", "Edge"},
        {"company.thebrowser.Browser", "Arc"},
    }};
    return browsers;
}

ExtensionHandoff::Decision ExtensionHandoff::choose(const std::set<std::string>& installed,
                                                    const std::optional<std::string>& defaultBundleIdentifier) {
    std::vector<Browser> candidates;
    for (const Browser& browser : supported()) {
        if (installed.contains(browser.bundleIdentifier)) candidates.push_back(browser);
    }
    for (const Browser& candidate : candidates) {
        if (candidate.bundleIdentifier == defaultBundleIdentifier) return OpenInDefault{candidate};
    }
    if (!candidates.empty()) return OpenInInstalled{candidates.front()};
    return CannotOpen{"Tarvo reads LinkedIn through a browser extension, which needs " + browserNames() + ". " +
                      "Install one of those and press Connect again."};
}

std::string ExtensionHandoff::setupURL(std::string_view appBaseURL) {
    return ServiceRequest::url(std::string(appBaseURL), "app/settings/extension/connect");
}

} // namespace tarvo
