#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <X11/Xlib.h>

namespace tarvo {

// An error the X server sent back for one request.
struct X11Error {
    unsigned char errorCode = 0;   // BadAccess, BadWindow, ...
    unsigned char requestCode = 0; // the request's major opcode
    unsigned char minorCode = 0;
    unsigned long serial = 0;      // the request's serial number on its connection
    XID resource = 0;              // the resource the request named
};

// One connection to an X server, closed when it goes. Every connection the companion opens is
// one of these, because of what they share process-wide:
// - an error the server sends back is recorded against its connection instead of ending the
//   program (Xlib's own handler exits): a grab another client holds gives BadAccess, a window
//   that went away BadWindow, and neither is fatal;
// - a lost server (it ended, or the connection broke) marks its connection lost instead of ending
//   the program: from then on `lost()` is true, nothing should be asked of it any more, and only
//   the X side of the companion stops.
// Xlib is made thread-safe before the first connection opens, so one connection may serve the
// main thread's requests and an event thread's reading at once.
class X11Display {
public:
    // Opens the display `name` names, `$DISPLAY` when it is empty; nothing when there is no such
    // name or the display does not open.
    static std::shared_ptr<X11Display> open(const std::string& name = {});

    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    Display* get() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }
    int screen() const { return DefaultScreen(display_); }
    // The name the connection was opened with, such as ":7".
    const std::string& name() const { return name_; }

    // Whether the connection to the server was lost. Safe from any thread.
    bool lost() const;

    // Sends the requests `requests` makes, waits until the server has handled them all, and gives
    // the errors they caused, in order; those are taken out of the connection's record. Nothing
    // (and no errors) when the connection is lost. For one thread at a time: the serial numbers
    // of the requests are what ties an error to them.
    std::vector<X11Error> checked(const std::function<void(Display*)>& requests);

    // The errors recorded against this connection that no `checked` took, oldest first, and
    // forgets them. At most `keptErrors` are kept.
    std::vector<X11Error> takeErrors();
    static constexpr std::size_t keptErrors = 64;

    // An atom of this server, made when it does not exist yet; `None` when the connection is lost.
    Atom atom(const char* name) const;

    // The state that the process-wide handlers reach through the Display pointer.
    struct Record;

private:
    X11Display(Display* display, std::string name, std::shared_ptr<Record> record)
        : display_(display), name_(std::move(name)), record_(std::move(record)) {}

    Display* display_;
    std::string name_;
    std::shared_ptr<Record> record_;
};

} // namespace tarvo
