#include "Platform/XTestInput.h"

#include <algorithm>
#include <memory>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "Platform/EwmhWorkspace.h"
#include "Platform/X11Property.h"

namespace tarvo {
namespace {

// A character's keysym: Latin-1 characters are their own, every other one is the Unicode keysym.
KeySym keysymOf(char32_t character) {
    if (character == U'\t') return XK_Tab;
    if ((character >= 0x20 && character <= 0x7e) || (character >= 0xa0 && character <= 0xff)) return character;
    return 0x01000000 | character;
}

} // namespace

XTestInput::~XTestInput() { restoreSpares(); }

bool XTestInput::reachable() const { return display_ && !display_->lost(); }

bool XTestInput::available() const {
    if (!reachable()) return false;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    return XTestQueryExtension(display_->get(), &eventBase, &errorBase, &major, &minor) == True;
}

std::optional<std::int32_t> XTestInput::frontPid() const {
    if (!reachable()) return std::nullopt;
    const std::optional<Window> active = EwmhWorkspace::activeWindow(*display_);
    if (!active) return std::nullopt;
    std::vector<long> pid;
    // The window may go between the two questions; its error is taken here, not left behind.
    display_->checked([&](Display*) {
        pid = X11Property::read(*display_, *active, "_NET_WM_PID", XA_CARDINAL).items<long>();
    });
    if (pid.empty()) return std::nullopt;
    return static_cast<std::int32_t>(pid.front());
}

std::optional<XTestInput::Press> XTestInput::pressFor(KeySym symbol) {
    Display* display = display_->get();
    if (const KeyCode code = XKeysymToKeycode(display, symbol); code != 0) {
        if (XkbKeycodeToKeysym(display, code, 0, 0) == symbol) return Press{code, false};
        if (XkbKeycodeToKeysym(display, code, 0, 1) == symbol) return Press{code, true};
    }
    const auto spare = spareFor(symbol);
    if (!spare) return std::nullopt;
    return Press{*spare, false};
}

// A key with nothing on it, mapped to `symbol` at every level; when every spare key is taken,
// the one mapped first is mapped again.
std::optional<KeyCode> XTestInput::spareFor(KeySym symbol) {
    for (const auto& [code, carried] : spares_)
        if (carried == symbol) return code;
    Display* display = display_->get();
    int lowest = 0, highest = 0;
    XDisplayKeycodes(display, &lowest, &highest);
    int perCode = 0;
    const X11Owned<KeySym> map(
        XGetKeyboardMapping(display, static_cast<KeyCode>(lowest), highest - lowest + 1, &perCode));
    if (!map || perCode <= 0) return std::nullopt;
    std::optional<KeyCode> chosen;
    for (int code = highest; code >= lowest && !chosen; --code) {
        const KeySym* syms = map.get() + (code - lowest) * perCode;
        if (std::all_of(syms, syms + perCode, [](KeySym s) { return s == NoSymbol; })) chosen = code;
    }
    if (!chosen && !spares_.empty()) chosen = spares_.begin()->first;
    if (!chosen) return std::nullopt;
    std::vector<KeySym> carried(static_cast<std::size_t>(perCode), symbol);
    XChangeKeyboardMapping(display, *chosen, perCode, carried.data(), 1);
    XSync(display, False);
    spares_[*chosen] = symbol;
    return chosen;
}

void XTestInput::tap(const Press& press) {
    Display* display = display_->get();
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    if (press.shifted) XTestFakeKeyEvent(display, shift, True, CurrentTime);
    XTestFakeKeyEvent(display, press.code, True, CurrentTime);
    XTestFakeKeyEvent(display, press.code, False, CurrentTime);
    if (press.shifted) XTestFakeKeyEvent(display, shift, False, CurrentTime);
}

void XTestInput::type(const std::u32string& characters) {
    if (!reachable()) return;
    for (const char32_t character : characters) {
        if (const auto press = pressFor(keysymOf(character))) tap(*press);
    }
    XSync(display_->get(), False);
}

void XTestInput::restoreSpares() {
    if (spares_.empty() || !reachable()) {
        spares_.clear();
        return;
    }
    Display* display = display_->get();
    int perCode = 0;
    for (const auto& [code, carried] : spares_) {
        (void)carried;
        const X11Owned<KeySym> current(XGetKeyboardMapping(display, code, 1, &perCode));
        if (perCode <= 0) continue;
        std::vector<KeySym> empty(static_cast<std::size_t>(perCode), NoSymbol);
        XChangeKeyboardMapping(display, code, perCode, empty.data(), 1);
    }
    XSync(display, False);
    spares_.clear();
}

void XTestInput::key(KeySym key, const std::vector<KeySym>& modifiers) {
    if (!reachable()) return;
    Display* display = display_->get();
    std::vector<KeyCode> held;
    for (const KeySym modifier : modifiers) {
        if (const KeyCode code = XKeysymToKeycode(display, modifier); code != 0) held.push_back(code);
    }
    const auto press = pressFor(key);
    if (!press) return;
    for (const KeyCode code : held) XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, press->code, True, CurrentTime);
    XTestFakeKeyEvent(display, press->code, False, CurrentTime);
    for (auto code = held.rbegin(); code != held.rend(); ++code) XTestFakeKeyEvent(display, *code, False, CurrentTime);
    XSync(display, False);
}

bool XTestInput::scroll(int x, int y, unsigned button, int clicks) {
    if (!reachable()) return false;
    Display* display = display_->get();
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    for (int click = 0; click < clicks; ++click) {
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
    }
    XSync(display, False);
    return reachable();
}

} // namespace tarvo
