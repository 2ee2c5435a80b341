#include "Platform/LinuxOperatorReadings.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <system_error>

#include <sys/socket.h>
#include <sys/un.h>

#include "Platform/DrmConnectors.h"
#include "Platform/LinuxProcessRunner.h"
#include "Platform/X11DisplayPower.h"
#include "TarvoBase/FileDescriptor.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

std::string_view trimmed(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

// What a program printed when it ran to its end; nothing when it could not start or hung.
std::optional<ProcessRunner::Result> runProgram(const std::string& executable, const std::vector<std::string>& arguments) {
    try {
        auto result = LinuxProcessRunner::runAndWait(executable, arguments, LinuxOperatorReadings::programTimeout);
        if (result.timedOut) return std::nullopt;
        return result;
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// "Name=value" lines, as logind's tool shows properties.
std::map<std::string, std::string> properties(std::string_view text) {
    std::map<std::string, std::string> found;
    for (const std::string_view line : split(text, '\n')) {
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos) found.emplace(line.substr(0, equals), line.substr(equals + 1));
    }
    return found;
}

std::optional<bool> yesNo(const std::map<std::string, std::string>& properties, const std::string& name) {
    const auto found = properties.find(name);
    if (found == properties.end()) return std::nullopt;
    if (found->second == "yes") return true;
    if (found->second == "no") return false;
    return std::nullopt;
}

// A D-Bus address value with its %XX escapes undone; nothing when an escape is malformed.
std::optional<std::string> unescaped(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            text.push_back(value[i]);
            continue;
        }
        unsigned byte = 0;
        const char* first = value.data() + i + 1;
        if (i + 2 >= value.size() || std::from_chars(first, first + 2, byte, 16).ptr != first + 2) return std::nullopt;
        text.push_back(static_cast<char>(byte));
        i += 2;
    }
    return text;
}

// The local sockets a D-Bus address list names, an abstract name with its leading NUL. Other
// transports are left out: this machine's own buses listen on local sockets.
std::vector<std::string> socketNames(std::string_view addresses) {
    std::vector<std::string> names;
    for (const std::string_view address : split(addresses, ';')) {
        if (!address.starts_with("unix:")) continue;
        for (const std::string_view pair : split(address.substr(5), ',')) {
            const std::size_t equals = pair.find('=');
            if (equals == std::string_view::npos) continue;
            const std::string_view key = pair.substr(0, equals);
            const auto value = unescaped(pair.substr(equals + 1));
            if (!value || value->empty()) continue;
            if (key == "path") names.push_back(*value);
            if (key == "abstract") names.push_back(std::string(1, '\0') + *value);
        }
    }
    return names;
}

// Whether something listens on the socket. A listener too busy to take the connection at once
// still counts.
bool listens(const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const bool abstract = name.front() == '\0';
    if (name.size() + (abstract ? 0 : 1) > sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + (abstract ? 0 : 1));
    const FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.isOpen()) return false;
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) == 0) return true;
    return errno == EAGAIN || errno == EINPROGRESS;
}

} // namespace

LinuxOperatorReadings::LinuxOperatorReadings(std::shared_ptr<const Clock> clock,
                                             std::shared_ptr<const MacSystemCalls> systemCalls,
                                             std::filesystem::path sysfsRoot, Programs programs,
                                             std::shared_ptr<X11Display> desktop)
    : clock_(std::move(clock)),
      systemCalls_(std::move(systemCalls)),
      root_(std::move(sysfsRoot)),
      programs_(std::move(programs)) {
    if (desktop) desktop_.emplace(std::move(desktop));
}

LinuxOperatorReadings::LinuxOperatorReadings(std::shared_ptr<const Clock> clock,
                                             std::shared_ptr<const MacSystemCalls> systemCalls,
                                             std::shared_ptr<X11Display> desktop)
    : LinuxOperatorReadings(std::move(clock), std::move(systemCalls), "/sys", Programs{}, std::move(desktop)) {}

std::optional<bool> LinuxOperatorReadings::screenCaptureAllowed() const {
    return desktop_ ? desktop_->screenCaptureAllowed() : std::nullopt;
}

std::optional<bool> LinuxOperatorReadings::postEventAllowed() const {
    return desktop_ ? desktop_->postEventAllowed() : std::nullopt;
}

// Accessibility is usable when the session bus names an accessibility bus and that bus
// answers; a session bus that knows of none means it is off.
std::optional<bool> LinuxOperatorReadings::accessibilityTrusted() const {
    const auto answer = runProgram(programs_.dbusSend, {"--session", "--print-reply=literal", "--dest=org.a11y.Bus",
                                                        "/org/a11y/bus", "org.a11y.Bus.GetAddress"});
    if (!answer) return std::nullopt;
    if (answer->exitCode != 0) {
        if (answer->standardError.find("org.freedesktop.DBus.Error.ServiceUnknown") != std::string::npos) return false;
        return std::nullopt;
    }
    const auto names = socketNames(trimmed(answer->standardOutput));
    if (names.empty()) return std::nullopt;
    return std::ranges::any_of(names, listens);
}

std::optional<Json> LinuxOperatorReadings::sessionDictionary() const {
    const auto session = sessionProperties();
    if (!session) return std::nullopt;
    // Without a lock state there is no dictionary at all: a dictionary without the lock key
    // would read as an unlocked screen.
    const auto locked = yesNo(*session, "LockedHint");
    if (!locked) return std::nullopt;
    Json dictionary = Json::object();
    dictionary[std::string(lockedKey)] = *locked;
    // A session without a seat, such as a remote login, is on no screen at all.
    if (const auto active = yesNo(*session, "Active")) {
        const auto seat = session->find("Seat");
        dictionary[std::string(onConsoleKey)] = *active && seat != session->end() && !seat->second.empty();
    }
    return dictionary;
}

std::optional<OperatorSystemReadings::Displays> LinuxOperatorReadings::displays() const {
    if (desktop_) {
        if (auto monitors = desktop_->displays()) return monitors;
    }
    const auto found = DrmConnectors::read(root_);
    if (!found) return std::nullopt;
    // The kernel shows each connector's modes but not the one in use: the size stays unknown.
    return Displays{static_cast<int>(std::ranges::count_if(*found, &DrmConnectors::Connector::active)), std::nullopt};
}

// Asked of the X server on a connection of its own each time: this reading is also taken on
// the system events' thread, beside the capability reading.
std::optional<bool> LinuxOperatorReadings::displaysAsleep() const {
    if (desktop_) {
        if (const auto asleep = X11DisplayPower::asleep(desktop_->displayName())) return asleep;
    }
    const auto found = DrmConnectors::read(root_);
    return found ? DrmConnectors::everyDisplayOff(*found) : std::nullopt;
}

// logind only tells how long a session has been idle once the desktop has called it idle;
// until then the time since the last input is the X server's, or unknown without one.
std::optional<std::int64_t> LinuxOperatorReadings::idleSeconds() const {
    if (const auto seconds = idleSecondsFromLogind()) return seconds;
    return desktop_ ? desktop_->idleSeconds() : std::nullopt;
}

std::optional<std::int64_t> LinuxOperatorReadings::idleSecondsFromLogind() const {
    const auto session = sessionProperties();
    if (!session || yesNo(*session, "IdleHint") != true) return std::nullopt;
    const auto since = session->find("IdleSinceHint");
    if (since == session->end()) return std::nullopt;
    std::int64_t micros = 0;
    const std::string& text = since->second;
    if (std::from_chars(text.data(), text.data() + text.size(), micros).ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    constexpr auto latest = std::chrono::duration_cast<std::chrono::microseconds>(Clock::Date::duration::max());
    if (micros <= 0 || micros > latest.count()) return std::nullopt;
    const Clock::Date idleSince{std::chrono::microseconds(micros)};
    return std::chrono::duration_cast<std::chrono::seconds>(clock_->date() - idleSince).count();
}

std::optional<std::map<std::string, std::string>> LinuxOperatorReadings::sessionProperties() const {
    // "auto" is the caller's own session, or else the user's graphical one.
    const auto answer = runProgram(programs_.loginctl,
                                   {"show-session", "auto", "--property=LockedHint", "--property=Active",
                                    "--property=Seat", "--property=IdleHint", "--property=IdleSinceHint"});
    if (!answer || answer->exitCode != 0) return std::nullopt;
    return properties(answer->standardOutput);
}

} // namespace tarvo
