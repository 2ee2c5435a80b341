#include "Platform/DevToolsPipe.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "Platform/AnswerWithin.h"
#include "Platform/DevToolsMessage.h"
#include "Platform/NulSeparatedMessages.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoCore/WhatsApp/PageHost.h"

namespace tarvo {
namespace {

using Failure = PageHost::Failure;

// How long a browser told to end may take to write its profile before it is killed.
constexpr int closeGraceMilliseconds = 10000;
// Longer than any browser that still reads its commands takes to make room for one.
constexpr timeval sendTimeout{10, 0};
constexpr std::size_t readChunk = 256 * 1024;

// Anything the browser calls out to on its own is pointed at a port where nothing listens.
const std::string nowhere = "http://127.0.0.1:9";

Failure browserFailure(const std::string& text) { return Failure(Failure::Kind::browser, text); }

std::pair<FileDescriptor, FileDescriptor> socketPair() {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        throw browserFailure(std::string("could not make the browser's pipe: ") + std::strerror(errno));
    }
    return {FileDescriptor(ends[0]), FileDescriptor(ends[1])};
}

// The reader thread. `take` and `end` run on the loop, through posts.
void readMessages(int events, int ended, int stop, RunLoop* loop, std::function<void(DevToolsMessage)> take,
                  std::function<void()> end) {
    NulSeparatedMessages messages;
    std::string chunk(readChunk, '\0');
    for (;;) {
        pollfd watched[] = {{events, POLLIN, 0}, {ended, POLLIN, 0}, {stop, POLLIN, 0}};
        if (::poll(watched, std::size(watched), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (watched[2].revents != 0) return;
        if (watched[0].revents != 0) {
            const ssize_t got = ::read(events, chunk.data(), chunk.size());
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            messages.append(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
            while (auto message = messages.next()) {
                std::optional<DevToolsMessage> read = DevToolsMessage::read(*message);
                if (!read) continue;
                loop->post([take, read = std::move(*read)]() mutable { take(std::move(read)); });
            }
            // Whatever the browser wrote before it ended is read before its end is taken.
            continue;
        }
        if (watched[1].revents != 0) break;
    }
    loop->post(end);
}

} // namespace

std::vector<std::string> DevToolsPipe::browserArguments(const std::string& profileFolder, bool asRoot,
                                                        const std::vector<std::string>& more,
                                                        const std::optional<AppWindow>& window) {
    std::vector<std::string> arguments = {
        "--remote-debugging-pipe",
        "--user-data-dir=" + profileFolder,
        "--no-first-run",
        "--no-default-browser-check",
        "--disable-background-networking",
        "--disable-component-update",
        "--component-updater=url-source=" + nowhere,
        "--disable-sync",
        "--gaia-url=" + nowhere,
        "--apps-gallery-update-url=" + nowhere,
        "--disable-extensions",
        "--disable-default-apps",
        "--disable-domain-reliability",
        "--disable-client-side-phishing-detection",
        "--disable-breakpad",
        "--disable-crash-reporter",
        "--metrics-recording-only",
        "--password-store=basic",
        "--disable-background-timer-throttling",
        "--disable-backgrounding-occluded-windows",
        "--disable-renderer-backgrounding",
        "--disable-site-isolation-trials",
        // The browser heeds only the last of these, so there is one.
        "--disable-features=NetworkTimeServiceQuerying,OptimizationHints,MediaRouter,Translate,"
        "IsolateOrigins,site-per-process",
    };
    // The browser's own sandbox refuses to start for the superuser.
    if (asRoot) arguments.push_back("--no-sandbox");
    arguments.insert(arguments.end(), more.begin(), more.end());
    if (!window) {
        arguments.insert(arguments.begin(), "--headless");
        arguments.push_back("about:blank");
        return arguments;
    }
    // An application window has no tabs, address bar or menus: the page is all there is of it.
    arguments.push_back("--class=" + window->className);
    arguments.push_back("--window-size=" + std::to_string(window->width) + "," + std::to_string(window->height));
    arguments.push_back("--app=about:blank");
    return arguments;
}

DevToolsPipe::Started DevToolsPipe::start(const std::string& executable, const std::string& profileFolder,
                                          const std::vector<std::string>& more, const std::optional<AppWindow>& window) {
    auto [commands, theirCommands] = socketPair();
    auto [events, theirEvents] = socketPair();
    ::setsockopt(commands.get(), SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
    const FileDescriptor nothing(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (!nothing.isOpen()) throw browserFailure("could not open /dev/null for the browser");
    try {
        ChildProcess browser = ChildProcess::spawn(
            executable, browserArguments(profileFolder, ::geteuid() == 0, more, window),
            {.input = nothing.get(), .output = nothing.get(), .error = nothing.get(),
             .extra = {theirCommands.get(), theirEvents.get()}},
            true);
        return {std::move(commands), std::move(events), std::move(browser)};
    } catch (const std::system_error& error) {
        throw browserFailure(error.what());
    }
}

DevToolsPipe::DevToolsPipe(const std::string& executable, const std::string& profileFolder,
                           const std::vector<std::string>& more, EventHandler onEvent, EndHandler onEnd,
                           const std::optional<AppWindow>& window)
    : DevToolsPipe(start(executable, profileFolder, more, window), std::move(onEvent), std::move(onEnd)) {}

DevToolsPipe::DevToolsPipe(Started started, EventHandler onEvent, EndHandler onEnd)
    : state_(std::make_shared<State>()),
      commands_(std::move(started.commands)),
      events_(std::move(started.events)),
      stopReading_(::eventfd(0, EFD_CLOEXEC)),
      browser_(std::move(started.browser)) {
    state_->onEvent = std::move(onEvent);
    state_->onEnd = std::move(onEnd);
    if (!stopReading_.isOpen()) throw browserFailure("could not make the browser's reader");
    std::weak_ptr<State> weak = state_;
    auto take = [weak](DevToolsMessage message) {
        if (auto state = weak.lock()) state->take(std::move(message));
    };
    auto end = [weak] {
        if (auto state = weak.lock()) state->end();
    };
    reader_ = std::thread(readMessages, events_.get(), browser_.endedDescriptor(), stopReading_.get(),
                          &RunLoop::current(), take, end);
}

DevToolsPipe::~DevToolsPipe() {
    // Asked to close, the browser ends sooner than when it only finds its commands ended.
    try {
        send("Browser.close", Json::object(), "");
    } catch (const Failure&) {
        // It has stopped reading already; closing its commands is all there is left to say.
    }
    commands_.reset();
    pollfd ended{browser_.endedDescriptor(), POLLIN, 0};
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(closeGraceMilliseconds);
    for (auto left = closeGraceMilliseconds; left > 0;) {
        if (::poll(&ended, 1, left) >= 0 || errno != EINTR) break;
        left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now()).count());
    }
    const std::uint64_t one = 1;
    static_cast<void>(::write(stopReading_.get(), &one, sizeof one));
    reader_.join();
}

Task<Json> DevToolsPipe::call(std::string method, Json params, std::string sessionId, Clock::Instant due) {
    if (!state_->running) throw browserFailure("the browser has ended");
    const std::int64_t id = write(method, std::move(params), sessionId);
    auto answer = std::make_shared<OneShotResult<Json>>();
    state_->waiting.emplace(id, std::pair(method, answer));
    const std::shared_ptr<State> state = state_;
    try {
        co_return co_await answerWithin(answer, due, "the browser had not answered " + method + " by its deadline");
    } catch (const Failure&) {
        state->waiting.erase(id);
        throw;
    }
}

void DevToolsPipe::send(const std::string& method, Json params, const std::string& sessionId) {
    if (state_->running) write(method, std::move(params), sessionId);
}

std::int64_t DevToolsPipe::write(const std::string& method, Json params, const std::string& sessionId) {
    const std::int64_t id = nextId_++;
    Json message;
    message["id"] = id;
    message["method"] = method;
    message["params"] = std::move(params);
    if (!sessionId.empty()) message["sessionId"] = sessionId;
    std::string bytes;
    try {
        bytes = message.dump();
    } catch (const Json::type_error& error) {
        throw Failure(Failure::Kind::script, error.what());
    }
    bytes.push_back('\0');
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t wrote = ::send(commands_.get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            // Part of a message may have gone out, and whatever followed it would be misread:
            // this browser is done, and its end fails whatever still waits on it.
            browser_.signal(SIGKILL);
            throw browserFailure("could not send " + method + " to the browser: " + std::strerror(error));
        }
        sent += static_cast<std::size_t>(wrote);
    }
    return id;
}

void DevToolsPipe::State::take(DevToolsMessage message) {
    if (!message.replyTo) {
        if (onEvent) onEvent(message.body);
        return;
    }
    const auto found = waiting.find(*message.replyTo);
    if (found == waiting.end()) return;
    auto [method, answer] = std::move(found->second);
    waiting.erase(found);
    if (message.refusal) {
        const auto refused = browserFailure("the browser refused " + method + ": " + *message.refusal);
        answer->fail(std::make_exception_ptr(refused));
        return;
    }
    answer->succeed(std::move(message.body));
}

void DevToolsPipe::State::end() {
    running = false;
    for (auto& [id, entry] : std::exchange(waiting, {})) {
        const auto ended = browserFailure("the browser ended while " + entry.first + " waited");
        entry.second->fail(std::make_exception_ptr(ended));
    }
    if (onEnd) onEnd();
}

} // namespace tarvo
