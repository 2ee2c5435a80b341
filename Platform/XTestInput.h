#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <X11/X.h>

#include "Platform/X11Display.h"

namespace tarvo {

// Keyboard and wheel input made with the XTest extension on a connection of its own. XTest
// input goes to whatever has the keyboard focus, not to a process, so the caller asks
// `frontPid` right before it sends anything. For one thread at a time. Without a display (or
// once it is lost) nothing is sent and nothing is in front.
class XTestInput {
public:
    explicit XTestInput(std::shared_ptr<X11Display> display) : display_(std::move(display)) {}
    ~XTestInput();
    XTestInput(const XTestInput&) = delete;
    XTestInput& operator=(const XTestInput&) = delete;

    // Whether the server takes synthetic input at all.
    bool available() const;

    // The process of the active top-level window (`_NET_WM_PID`), when there is one.
    std::optional<std::int32_t> frontPid() const;

    // Each character by its keysym, with Shift where its key wants it. A character the keymap
    // lacks is typed through a spare key mapped to it, which stays mapped until `restoreSpares`.
    void type(const std::u32string& characters);
    // Whether a spare key is mapped now.
    bool sparesMapped() const { return !spares_.empty(); }
    // Gives the spare keys back their empty mapping.
    void restoreSpares();

    // The key, with the modifier keys held around it.
    void key(KeySym key, const std::vector<KeySym>& modifiers);

    // The pointer to (x, y) on the screen, then `clicks` presses of wheel button `button` (4 to 7).
    // False when the server has gone.
    bool scroll(int x, int y, unsigned button, int clicks);

private:
    bool reachable() const;
    struct Press {
        KeyCode code = 0;
        bool shifted = false;
    };
    std::optional<Press> pressFor(KeySym symbol);
    std::optional<KeyCode> spareFor(KeySym symbol);
    void tap(const Press& press);

    std::shared_ptr<X11Display> display_;
    // The spare keys mapped by this input, and the keysym each carries.
    std::map<KeyCode, KeySym> spares_;
};

} // namespace tarvo
