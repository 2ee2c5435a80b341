#pragma once

#include <string_view>

namespace tarvo {

// The first-run setup window as the companion keeps it: made once, kept when closed, and shown
// again with what it held. Its content is the setup view's.
class SetupWindow {
public:
    static constexpr std::string_view title = "Set up Tarvo";
    static constexpr int width = 540;
    static constexpr int height = 460;

    bool isVisible() const { return visible_; }
    // How often it was brought to the front.
    int timesFronted() const { return timesFronted_; }

    void makeKeyAndOrderFront() {
        visible_ = true;
        ++timesFronted_;
    }
    void close() { visible_ = false; }

private:
    bool visible_ = false;
    int timesFronted_ = 0;
};

} // namespace tarvo
