#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TarvoBase/Task.h"

namespace tarvo {

// The parts of the user's desktop that input into a page borrows: the pasteboard, the key
// window, whether the user is working in the program, and key events. Lives on the main loop.
class Desktop {
public:
    using WindowNumber = int;
    // One pasteboard item: the bytes of each of its types, in the order they were written.
    using PasteboardItem = std::vector<std::pair<std::string, std::string>>;

    struct KeyEvent {
        enum class Phase { down, up };
        Phase phase = Phase::down;
        int keyCode = 0;
        std::string characters;
        std::string charactersIgnoringModifiers;
        bool command = false;
        bool isARepeat = false;
        // Seconds since the computer started.
        double timestamp = 0;

        bool operator==(const KeyEvent&) const = default;
    };
    // Where key events go: to the window, as the window server hands them on, or straight to its
    // content view.
    enum class KeyTarget { window, contentView };

    virtual ~Desktop() = default;

    // Whether the user is working in this program right now.
    virtual bool isActive() const = 0;
    virtual void activateIgnoringOtherApps() = 0;

    // Whether a picture on the pasteboard reaches the page a paste is sent to.
    virtual bool pasteReachesThePage() const = 0;
    // The pasteboard's items; nothing when it gives no list of items.
    virtual std::optional<std::vector<PasteboardItem>> pasteboardItems() const = 0;
    // Changes each time anyone (the user included) changes what the pasteboard holds.
    virtual std::int64_t pasteboardChangeCount() const = 0;
    // Clears the pasteboard and writes the items, one write per item; answers the change count
    // that leaves.
    virtual std::int64_t replacePasteboard(std::vector<PasteboardItem> items) = 0;

    virtual std::optional<WindowNumber> keyWindow() const = 0;
    virtual void makeKey(WindowNumber window) = 0;
    // Hands the events to the window's `target` in order, one right after the other.
    virtual Task<void> sendKeys(WindowNumber window, KeyTarget target, std::vector<KeyEvent> events) = 0;
};

} // namespace tarvo
