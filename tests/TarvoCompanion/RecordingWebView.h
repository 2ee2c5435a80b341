#pragma once

#include <string>
#include <vector>

#include "TarvoCompanion/Ports/WebView.h"

namespace tarvo::testing {

// Shows nothing; keeps every page it was given, HTML and addresses in one list.
class RecordingWebView final : public WebView {
public:
    struct Load {
        bool isHTML = false;
        std::string text;

        bool operator==(const Load&) const = default;
    };

    void loadHTML(const std::string& html) override { loads.push_back({true, html}); }
    void load(const std::string& address) override { loads.push_back({false, address}); }

    std::vector<Load> loads;
};

} // namespace tarvo::testing
