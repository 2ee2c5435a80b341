#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

#include "Platform/ChildProcess.h"
#include "Platform/DevToolsMessage.h"
#include "TarvoBase/Clock.h"
#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/Json.h"
#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/Task.h"

namespace tarvo {

// One headless Chromium and its DevTools connection: JSON messages, each ended by a NUL byte,
// that the browser reads on its descriptor 3 and writes on its 4; no network port, no library.
// Lives on the main loop. A reader thread cuts what the browser writes into messages and posts
// them to the loop in order: a reply resumes the call that waits for it, anything else goes to
// the event handler. When the browser ends, every call still waiting fails at once. Made on
// the loop's thread, and gone before the loop is.
class DevToolsPipe {
public:
    using EventHandler = std::function<void(const Json& event)>;
    using EndHandler = std::function<void()>;

    // A browser shown on the display as one application window instead of headless.
    struct AppWindow {
        // The window's class, by which the desktop tells it apart from the user's own browser.
        std::string className;
        int width = 0;
        int height = 0;
    };

    // The browser's command line: nothing it would do on its own reaches the network (updates,
    // sync, sign-in, time queries, reports), a hidden page keeps its timers, and every frame of
    // a page runs in the page's own process, so what is done to the page reaches its frames.
    static std::vector<std::string> browserArguments(const std::string& profileFolder, bool asRoot,
                                                     const std::vector<std::string>& more,
                                                     const std::optional<AppWindow>& window = std::nullopt);

    // Starts `executable` on `profileFolder`, with `more` arguments after the usual ones, headless
    // unless given a `window`. `onEnd` runs on the loop once the browser has ended, after the
    // calls that waited have failed. Throws `PageHost::Failure` when it cannot start.
    DevToolsPipe(const std::string& executable, const std::string& profileFolder,
                 const std::vector<std::string>& more, EventHandler onEvent, EndHandler onEnd,
                 const std::optional<AppWindow>& window = std::nullopt);
    // Lets the browser end cleanly, so that what it keeps in the profile is written, and kills
    // it when it has not ended after a few seconds.
    ~DevToolsPipe();

    DevToolsPipe(const DevToolsPipe&) = delete;
    DevToolsPipe& operator=(const DevToolsPipe&) = delete;

    // False once the loop has heard that the browser ended.
    bool isRunning() const { return state_->running; }
    pid_t browserProcess() const { return browser_.pid(); }

    // Sends a command (to the browser itself when `sessionId` is empty) and answers its
    // result. Throws `PageHost::Failure`: `deadline` when no reply came before `due`,
    // `browser` when the browser refused the command or ended.
    Task<Json> call(std::string method, Json params, std::string sessionId, Clock::Instant due);
    // Sends a command whose reply nobody waits for.
    void send(const std::string& method, Json params, const std::string& sessionId);

private:
    // The loop's side, which posts from the reader thread reach only while it exists.
    struct State {
        EventHandler onEvent;
        EndHandler onEnd;
        std::map<std::int64_t, std::pair<std::string, std::shared_ptr<OneShotResult<Json>>>> waiting;
        bool running = true;

        void take(DevToolsMessage message);
        void end();
    };

    struct Started {
        FileDescriptor commands;
        FileDescriptor events;
        ChildProcess browser;
    };

    static Started start(const std::string& executable, const std::string& profileFolder,
                         const std::vector<std::string>& more, const std::optional<AppWindow>& window);
    DevToolsPipe(Started started, EventHandler onEvent, EndHandler onEnd);
    std::int64_t write(const std::string& method, Json params, const std::string& sessionId);

    std::shared_ptr<State> state_;
    std::int64_t nextId_ = 1;
    FileDescriptor commands_;
    FileDescriptor events_;
    FileDescriptor stopReading_;
    ChildProcess browser_;
    std::thread reader_;
};

} // namespace tarvo
