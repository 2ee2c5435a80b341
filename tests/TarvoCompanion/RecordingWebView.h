#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TarvoCore/Panel/WebView.h"

namespace tarvo::testing {

// Shows nothing; keeps every page it was given, HTML and addresses in one list, the navigation
// it was handed and whether its window is shown.
class RecordingWebView final : public WebView {
public:
    struct Load {
        bool isHTML = false;
        std::string text;

        bool operator==(const Load&) const = default;
    };

    void loadHTML(const std::string& html) override { loads.push_back({true, html}); }
    void load(const std::string& address) override { loads.push_back({false, address}); }
    void useNavigation(std::shared_ptr<PanelNavigation> given) override { navigation = std::move(given); }
    void show() override { shown = true; }
    void hide() override { shown = false; }

    std::vector<Load> loads;
    std::shared_ptr<PanelNavigation> navigation;
    bool shown = false;
};

} // namespace tarvo::testing
