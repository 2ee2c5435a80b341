#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "TarvoCore/Ports/Clipboard.h"

namespace tarvo {

// The X desktop's clipboard selection, through xclip: the text on xclip's input, which it hands
// to a copy of itself that serves the selection after it has exited.
class XclipClipboard final : public Clipboard {
public:
    // How long xclip may take to read the text and go to the background.
    static constexpr std::chrono::seconds patience{5};

    // `xclip`: the program, nothing when it is not installed; `display`: the X display named by
    // DISPLAY, nothing without one.
    XclipClipboard(std::optional<std::string> xclip, std::optional<std::string> display);
    // xclip from the search path, the display from DISPLAY.
    static XclipClipboard current(const char* searchPath, const char* display);

    bool exists() const override { return xclip_ && display_; }
    void put(const std::string& text) override;

private:
    std::optional<std::string> xclip_;
    std::optional<std::string> display_;
};

} // namespace tarvo
