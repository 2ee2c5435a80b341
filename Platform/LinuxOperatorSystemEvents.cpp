#include "Platform/LinuxOperatorSystemEvents.h"

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "Platform/SdBusHandles.h"
#include "TarvoBase/PlainLog.h"

namespace tarvo {
namespace {

constexpr const char* logind = "org.freedesktop.login1";
constexpr const char* managerPath = "/org/freedesktop/login1";
constexpr const char* managerInterface = "org.freedesktop.login1.Manager";
// The signals of every session are heard, and those of other sessions left out by their path:
// the matches are then in place before logind is first asked, so no change of our session is
// missed between the two.
constexpr const char* sessionSignals = "type='signal',sender='org.freedesktop.login1',"
                                       "interface='org.freedesktop.login1.Session',"
                                       "path_namespace='/org/freedesktop/login1/session'";
constexpr const char* sessionChanges = "type='signal',sender='org.freedesktop.login1',"
                                       "interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',"
                                       "path_namespace='/org/freedesktop/login1/session',"
                                       "arg0='org.freedesktop.login1.Session'";

SdBus connect(const std::optional<std::string>& address) {
    sd_bus* bus = nullptr;
    if (!address) {
        if (sd_bus_open_system(&bus) < 0) return nullptr;
        return SdBus(bus);
    }
    if (sd_bus_new(&bus) < 0) return nullptr;
    SdBus owned(bus);
    if (sd_bus_set_address(bus, address->c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 || sd_bus_start(bus) < 0) {
        return nullptr;
    }
    return owned;
}

// Milliseconds from now until a monotonic time in microseconds, as poll takes them.
int millisecondsUntil(std::uint64_t monotonicMicros) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t nowMicros =
        static_cast<std::uint64_t>(now.tv_sec) * 1'000'000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000;
    if (monotonicMicros <= nowMicros) return 0;
    return static_cast<int>(std::min<std::uint64_t>((monotonicMicros - nowMicros + 999) / 1000, 60'000));
}

bool namesLockOrActivity(std::string_view property) { return property == "LockedHint" || property == "Active"; }

// Whether a PropertiesChanged of a session changed its lock or its activity, whether it gives
// the new value or only says that it changed.
bool changesLockOrActivity(sd_bus_message* message) {
    const char* interface = nullptr;
    if (sd_bus_message_read(message, "s", &interface) < 0) return false;
    bool found = false;
    if (sd_bus_message_enter_container(message, 'a', "{sv}") < 0) return false;
    while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read(message, "s", &name) < 0 || sd_bus_message_skip(message, "v") < 0) return found;
        found = found || namesLockOrActivity(name);
        if (sd_bus_message_exit_container(message) < 0) return found;
    }
    if (sd_bus_message_exit_container(message) < 0) return found;
    if (sd_bus_message_enter_container(message, 'a', "s") < 0) return found;
    const char* invalidated = nullptr;
    while (sd_bus_message_read(message, "s", &invalidated) > 0) found = found || namesLockOrActivity(invalidated);
    return found;
}

} // namespace

// Lives on the events thread and is touched by nothing else.
class LinuxOperatorSystemEvents::Listener {
public:
    Listener(RunLoop& loop, Handlers handlers, DisplaysAsleep displaysAsleep)
        : loop_(loop), handlers_(std::move(handlers)), displaysAsleep_(std::move(displaysAsleep)) {}

    void run(const std::optional<std::string>& busAddress, int stop, std::chrono::milliseconds displaysEvery) {
        if (!listenToLogind(busAddress)) {
            bus_.reset();
            PlainLog::write("tarvo: no system bus or no logind here — the operator hears of no sleep, wake or "
                            "screen lock from the system");
        }
        auto nextDisplays = std::chrono::steady_clock::now();
        for (;;) {
            processBus();
            const auto now = std::chrono::steady_clock::now();
            if (now >= nextDisplays) {
                checkDisplays();
                nextDisplays = now + displaysEvery;
            }
            const auto untilDisplays = std::chrono::ceil<std::chrono::milliseconds>(nextDisplays - now);
            int timeout = static_cast<int>(std::max<std::int64_t>(untilDisplays.count(), 0));
            pollfd watched[2] = {{stop, POLLIN, 0}, {-1, 0, 0}};
            if (bus_) {
                watched[1] = {sd_bus_get_fd(bus_.get()), static_cast<short>(sd_bus_get_events(bus_.get())), 0};
                std::uint64_t due = 0;
                if (sd_bus_get_timeout(bus_.get(), &due) > 0 && due != UINT64_MAX) {
                    timeout = std::min(timeout, millisecondsUntil(due));
                }
            }
            if (::poll(watched, bus_ ? 2 : 1, timeout) < 0 && errno != EINTR) return;
            if (watched[0].revents != 0) return;
        }
    }

private:
    bool listenToLogind(const std::optional<std::string>& busAddress) {
        bus_ = connect(busAddress);
        if (!bus_) return false;
        sd_bus_set_method_call_timeout(bus_.get(), std::chrono::microseconds(callTimeout).count());
        sd_bus_slot* sleep = nullptr;
        sd_bus_slot* session = nullptr;
        sd_bus_slot* changes = nullptr;
        const bool matched =
            sd_bus_match_signal(bus_.get(), &sleep, logind, managerPath, managerInterface, "PrepareForSleep",
                                &Listener::onPrepareForSleep, this) >= 0 &&
            sd_bus_add_match(bus_.get(), &session, sessionSignals, &Listener::onSessionSignal, this) >= 0 &&
            sd_bus_add_match(bus_.get(), &changes, sessionChanges, &Listener::onSessionChange, this) >= 0;
        for (sd_bus_slot* slot : {sleep, session, changes}) {
            if (slot) slots_.emplace_back(slot);
        }
        if (!matched) return false;

        SdBusError error;
        sd_bus_message* reply = nullptr;
        if (sd_bus_call_method(bus_.get(), logind, managerPath, managerInterface, "GetSession", error.get(), &reply,
                               "s", "auto") < 0) {
            if (!error.has("org.freedesktop.login1.NoSessionForPID") &&
                !error.has("org.freedesktop.login1.NoSuchSession")) {
                return false;
            }
            PlainLog::write("tarvo: logind knows no session of the companion — the operator hears of sleep and wake "
                            "but not of the screen lock");
            return true;
        }
        const SdBusMessage owned(reply);
        const char* path = nullptr;
        if (sd_bus_message_read(reply, "o", &path) < 0) return false;
        session_ = path;
        return true;
    }

    // Until the connection ends; then logind's events stop, and the displays are still read.
    void processBus() {
        if (!bus_) return;
        int processed = 0;
        while ((processed = sd_bus_process(bus_.get(), nullptr)) > 0) {
        }
        if (processed < 0) {
            PlainLog::write("tarvo: the system bus went away — the operator hears of no more sleep, wake or "
                            "screen lock from the system");
            slots_.clear();
            bus_.reset();
        }
    }

    void checkDisplays() {
        const std::optional<bool> asleep = displaysAsleep_();
        if (!asleep) return;
        if (asleep_ && *asleep_ != *asleep) post(handlers_.changed);
        asleep_ = asleep;
    }

    void post(const std::function<void()>& handler) {
        if (handler) loop_.post(handler);
    }

    static int onPrepareForSleep(sd_bus_message* message, void* listener, sd_bus_error*) {
        auto& self = *static_cast<Listener*>(listener);
        int sleeping = 0;
        if (sd_bus_message_read(message, "b", &sleeping) < 0) return 0;
        self.post(sleeping ? self.handlers_.willSleep : self.handlers_.didWake);
        return 0;
    }

    static int onSessionSignal(sd_bus_message* message, void* listener, sd_bus_error*) {
        auto& self = *static_cast<Listener*>(listener);
        if (!self.isOwnSession(message)) return 0;
        const std::string_view member = sd_bus_message_get_member(message);
        if (member == "Lock" || member == "Unlock") self.post(self.handlers_.changed);
        return 0;
    }

    static int onSessionChange(sd_bus_message* message, void* listener, sd_bus_error*) {
        auto& self = *static_cast<Listener*>(listener);
        if (self.isOwnSession(message) && changesLockOrActivity(message)) self.post(self.handlers_.changed);
        return 0;
    }

    bool isOwnSession(sd_bus_message* message) const {
        const char* path = sd_bus_message_get_path(message);
        return !session_.empty() && path && session_ == path;
    }

    RunLoop& loop_;
    const Handlers handlers_;
    const DisplaysAsleep displaysAsleep_;
    SdBus bus_;
    // Released before the bus.
    std::vector<SdBusSlot> slots_;
    std::string session_;
    std::optional<bool> asleep_;
};

LinuxOperatorSystemEvents::LinuxOperatorSystemEvents(std::optional<std::string> busAddress,
                                                     DisplaysAsleep displaysAsleep,
                                                     std::chrono::milliseconds displaysEvery)
    : busAddress_(std::move(busAddress)),
      displaysAsleep_(std::move(displaysAsleep)),
      displaysEvery_(displaysEvery),
      stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

LinuxOperatorSystemEvents::~LinuxOperatorSystemEvents() {
    if (!thread_.joinable()) return;
    const std::uint64_t one = 1;
    while (::write(stop_.get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
    thread_.join();
}

void LinuxOperatorSystemEvents::watch(Handlers handlers) {
    if (thread_.joinable()) return;
    auto listener = std::make_unique<Listener>(RunLoop::current(), std::move(handlers), displaysAsleep_);
    thread_ = std::thread([this, listener = std::move(listener)] {
        listener->run(busAddress_, stop_.get(), displaysEvery_);
    });
}

} // namespace tarvo
