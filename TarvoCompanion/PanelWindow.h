#pragma once

#include <memory>
#include <string>

#include "TarvoCore/Panel/WebView.h"
#include "TarvoCore/Panel/PanelNavigation.h"

namespace tarvo {

// The panel's one window, as a model of what the window server would show. Closing it only hides
// it: the window, its web view, their navigation and the cookies stay for the life of the program.
struct PanelWindow {
    std::string title = "Tarvo";
    int width = 1100;
    int height = 760;
    bool visible = false;
    bool key = false;
    std::shared_ptr<WebView> webView;
    std::shared_ptr<PanelNavigation> navigation;

    void makeKeyAndOrderFront() {
        visible = true;
        key = true;
        if (webView) webView->show();
    }
    void orderOut() {
        visible = false;
        key = false;
        if (webView) webView->hide();
    }
    void close() { orderOut(); }
};

} // namespace tarvo
