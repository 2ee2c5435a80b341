#include "Platform/X11Display.h"

#include <atomic>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>

namespace tarvo {

struct X11Display::Record {
    std::atomic<bool> lost = false;
    // Guarded by `registryMutex`.
    std::deque<X11Error> errors;
};

namespace {

// The records of the open connections, by the Display pointer Xlib hands its handlers.
std::mutex registryMutex;
std::map<Display*, std::shared_ptr<X11Display::Record>>& registry() {
    static std::map<Display*, std::shared_ptr<X11Display::Record>> records;
    return records;
}

std::shared_ptr<X11Display::Record> recordOf(Display* display) {
    const std::lock_guard lock(registryMutex);
    const auto found = registry().find(display);
    return found == registry().end() ? nullptr : found->second;
}

// Xlib calls the error handler with the connection locked: it must make no Xlib call.
int recordError(Display* display, XErrorEvent* event) {
    const std::lock_guard lock(registryMutex);
    const auto found = registry().find(display);
    if (found == registry().end()) return 0;
    auto& errors = found->second->errors;
    errors.push_back({.errorCode = event->error_code,
                      .requestCode = event->request_code,
                      .minorCode = event->minor_code,
                      .serial = event->serial,
                      .resource = event->resourceid});
    if (errors.size() > X11Display::keptErrors) errors.pop_front();
    return 0;
}

void markLost(Display* display) {
    if (const auto record = recordOf(display)) record->lost = true;
}

// Xlib's own says so on standard error; the companion notices through `lost()` instead.
int connectionLost(Display* display) {
    markLost(display);
    return 0;
}

// Called where Xlib would otherwise end the process. Xlib took the connection's user lock for
// the thread that met the loss, expecting never to return; it is given back, or every other
// thread's next call on the connection (its closing too) would wait for ever.
void connectionLostExit(Display* display, void*) {
    markLost(display);
    XUnlockDisplay(display);
}

void installProcessHandlers() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        XInitThreads();
        XSetErrorHandler(recordError);
        XSetIOErrorHandler(connectionLost);
    });
}

} // namespace

std::shared_ptr<X11Display> X11Display::open(const std::string& name) {
    installProcessHandlers();
    const char* given = name.empty() ? std::getenv("DISPLAY") : name.c_str();
    if (given == nullptr || *given == '\0') return nullptr;
    Display* display = XOpenDisplay(given);
    if (display == nullptr) return nullptr;
    auto record = std::make_shared<Record>();
    {
        const std::lock_guard lock(registryMutex);
        registry()[display] = record;
    }
    XSetIOErrorExitHandler(display, connectionLostExit, nullptr);
    return std::shared_ptr<X11Display>(new X11Display(display, given, std::move(record)));
}

X11Display::~X11Display() {
    // Forgotten before it is freed: a connection opened meanwhile may get the same address.
    {
        const std::lock_guard lock(registryMutex);
        registry().erase(display_);
    }
    // A lost connection is closed too: Xlib then skips the server and frees what it holds.
    XCloseDisplay(display_);
}

bool X11Display::lost() const { return record_->lost; }

std::vector<X11Error> X11Display::checked(const std::function<void(Display*)>& requests) {
    if (lost()) return {};
    const unsigned long first = NextRequest(display_);
    requests(display_);
    const unsigned long end = NextRequest(display_);
    XSync(display_, False);
    std::vector<X11Error> caused;
    const std::lock_guard lock(registryMutex);
    auto& errors = record_->errors;
    for (auto error = errors.begin(); error != errors.end();) {
        if (error->serial >= first && error->serial < end) {
            caused.push_back(*error);
            error = errors.erase(error);
        } else {
            ++error;
        }
    }
    return caused;
}

std::vector<X11Error> X11Display::takeErrors() {
    const std::lock_guard lock(registryMutex);
    std::vector<X11Error> taken(record_->errors.begin(), record_->errors.end());
    record_->errors.clear();
    return taken;
}

Atom X11Display::atom(const char* name) const {
    if (lost()) return None;
    return XInternAtom(display_, name, False);
}

} // namespace tarvo
