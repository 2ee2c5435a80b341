#pragma once

#include <memory>
#include <string>

#include "TarvoCore/Panel/PanelNavigation.h"

namespace tarvo {

// A web view the companion shows pages in, such as the panel's. Lives on the main loop.
class WebView {
public:
    virtual ~WebView() = default;

    // Shows `html` as a page of its own, with no base address: it can reach nothing relative.
    virtual void loadHTML(const std::string& html) = 0;

    // Shows the page at `address`.
    virtual void load(const std::string& address) = 0;

    // From now on every navigation of the page, in any frame, is first decided by `navigation`.
    virtual void useNavigation(std::shared_ptr<PanelNavigation> navigation) = 0;

    // The window that holds the view came to the front, or went away.
    virtual void show() = 0;
    virtual void hide() = 0;
};

} // namespace tarvo
