#include "Platform/X11EventThread.h"

#include <cstdint>
#include <system_error>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace tarvo {

// Lives on the loop: only the loop's thread touches it.
struct X11EventThread::Hub {
    struct Watcher {
        Window window;
        OnEvent onEvent;
        OnLost onLost;
    };

    std::map<std::uint64_t, Watcher> watchers;
    std::uint64_t nextId = 1;
    bool lost = false;

    // Watchers may come and go while one of them runs, itself too: each is looked up again
    // before its turn, and runs from a copy.
    template <typename Call>
    void each(Call call) {
        std::vector<std::uint64_t> ids;
        for (const auto& [id, watcher] : watchers) ids.push_back(id);
        for (const std::uint64_t id : ids) {
            const auto found = watchers.find(id);
            if (found == watchers.end()) continue;
            const Watcher watcher = found->second;
            call(watcher);
        }
    }

    void dispatch(const XEvent& event) {
        each([&](const Watcher& watcher) {
            if (watcher.window == event.xany.window && watcher.onEvent) watcher.onEvent(event);
        });
    }

    void connectionLost() {
        if (lost) return;
        lost = true;
        each([](const Watcher& watcher) {
            if (watcher.onLost) watcher.onLost();
        });
    }
};

X11EventThread::X11EventThread(std::shared_ptr<X11Display> display, RunLoop& loop)
    : display_(std::move(display)), loop_(loop), hub_(std::make_shared<Hub>()),
      stop_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!stop_.isOpen()) throw std::system_error(errno, std::generic_category(), "eventfd for the X event thread");
    thread_ = std::thread([this] { read(); });
}

X11EventThread::~X11EventThread() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stop_.get(), &one, sizeof one);
    thread_.join();
}

bool X11EventThread::lost() const { return hub_->lost; }

X11EventThread::Watch X11EventThread::watch(Window window, OnEvent onEvent, OnLost onLost) {
    const std::uint64_t id = hub_->nextId++;
    hub_->watchers.emplace(id, Hub::Watcher{window, std::move(onEvent), std::move(onLost)});
    return Watch(hub_, id);
}

void X11EventThread::read() {
    Display* display = display_->get();
    const std::weak_ptr<Hub> hub = hub_;
    // Another thread's round trip can read our events off the socket into Xlib's queue, where
    // poll cannot see them; the short wait bounds how long they sit there.
    constexpr int queueCheckMilliseconds = 50;
    pollfd waits[2] = {{ConnectionNumber(display), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
    while (true) {
        while (!display_->lost() && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            loop_.post([hub, event] {
                if (const auto alive = hub.lock()) alive->dispatch(event);
            });
        }
        if (display_->lost()) {
            loop_.post([hub] {
                if (const auto alive = hub.lock()) alive->connectionLost();
            });
            return;
        }
        waits[0].revents = waits[1].revents = 0;
        if (poll(waits, 2, queueCheckMilliseconds) < 0 && errno != EINTR) return;
        if (waits[1].revents != 0) return;
    }
}

X11EventThread::Watch& X11EventThread::Watch::operator=(Watch&& other) noexcept {
    if (this != &other) {
        reset();
        hub_ = std::move(other.hub_);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void X11EventThread::Watch::reset() {
    if (id_ == 0) return;
    if (const auto hub = hub_.lock()) hub->watchers.erase(id_);
    id_ = 0;
}

} // namespace tarvo
