#pragma once

#include <string>

namespace tarvo {

// A web view the companion shows pages in, such as the panel's. Lives on the main loop.
class WebView {
public:
    virtual ~WebView() = default;

    // Shows `html` as a page of its own, with no base address: it can reach nothing relative.
    virtual void loadHTML(const std::string& html) = 0;

    // Shows the page at `address`.
    virtual void load(const std::string& address) = 0;
};

} // namespace tarvo
