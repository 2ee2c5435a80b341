#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "Platform/DevToolsPipe.h"
#include "TarvoBase/OneShotResult.h"
#include "TarvoCore/WhatsApp/PageHost.h"

namespace tarvo {

// The page host on Debian's Chromium, headless, driven over its DevTools pipe. The browser
// starts on first use with the given profile folder, which keeps cookies and storage from one
// clean end to the next start; only one browser may use a profile at a time. The page is the
// browser's first tab. Made on the loop's thread, and gone before the loop is.
class ChromiumPageHost final : public PageHost {
public:
    static constexpr const char* defaultBrowser = "/usr/lib/chromium/chromium";

    // What a served address answers.
    struct Response {
        std::string body;
        std::string contentType = "text/html; charset=utf-8";
        int status = 200;
    };

    // How the browser is started.
    struct Launch {
        std::string browser = defaultBrowser;
        // After the usual ones.
        std::vector<std::string> arguments{};
        // Headless when none.
        std::optional<DevToolsPipe::AppWindow> window{};
    };

    // The page just opened, before anything is loaded into it.
    struct OpenedPage {
        std::shared_ptr<DevToolsPipe> browser;
        std::string sessionId;
        // Also the id of its main frame.
        std::string targetId;
        Clock::Instant due;
    };
    // What a host built on this one does to every page it opens; the page waits for it.
    using PageOpened = std::function<Task<void>(OpenedPage page)>;
    // Every event of the browser that this host does not answer itself, of any session.
    using EventListener = std::function<void(const Json& event)>;

    explicit ChromiumPageHost(std::string profileFolder, std::string browser = defaultBrowser);
    ChromiumPageHost(std::string profileFolder, Launch launch);

    void onPageOpened(PageOpened opened) { pageOpened_ = std::move(opened); }
    void onEvent(EventListener listener) { eventListener_ = std::move(listener); }

    // For tests and benchmarks: from the next call on, the page loads nothing from the
    // network. A request for a served address (as the browser asks for it: without its
    // fragment) gets its response; any other request fails as blocked. A browser started
    // after the first address was served looks up no name at all.
    void serve(std::string address, Response response);

    // `evaluate`, as though the user had just acted on the page (so the script may open a
    // window). For tests and benchmarks.
    Task<std::optional<std::string>> evaluateAsTheUser(std::string script, Duration within);

    // The running browser's process; absent when none runs.
    std::optional<pid_t> browserProcess() const;

    void setUserAgent(std::string userAgent) override;
    void addScriptAtDocumentStart(std::string source) override;
    void setPageSize(int width, int height) override;
    void onPageEnd(std::function<void()> ended) override;
    Task<void> navigate(std::string address, Duration within) override;
    Task<std::optional<std::string>> currentAddress(Duration within) override;
    Task<std::optional<std::string>> evaluate(std::string script, Duration within) override;
    Task<std::optional<std::string>> callAsyncFunction(std::string body, Json arguments, Duration within) override;
    Task<void> insertText(std::string text, Duration within) override;
    Task<void> pressReturn(Duration within) override;
    Task<std::string> captureScreenshot(Duration within) override;

private:
    struct PageSize {
        int width = 0;
        int height = 0;
        bool operator==(const PageSize&) const = default;
    };

    // The browser's tab, with what of the host's settings it has been given so far.
    struct Page {
        std::shared_ptr<DevToolsPipe> browser;
        std::string targetId;
        std::string sessionId;
        std::size_t scriptsGiven = 0;
        std::string userAgentGiven;
        std::optional<PageSize> sizeGiven;
        bool serving = false;
    };
    // A command to the page: the browser that runs it and the page's session.
    struct Target {
        std::shared_ptr<DevToolsPipe> browser;
        std::string sessionId;
        std::string targetId;
    };

    Task<Target> readyPage(Clock::Instant due);
    Task<Page> openPage(Clock::Instant due);
    Task<void> bringUpToDate(std::shared_ptr<DevToolsPipe> browser, std::string sessionId, Clock::Instant due);
    Task<Json> run(std::string method, Json params, Clock::Instant due);
    Task<std::optional<std::string>> runScript(Json params, Clock::Instant due);
    void take(const Json& event);
    void answerRequest(const Json& paused);
    Clock::Instant dueAfter(Duration within) const;

    const std::string profileFolder_;
    const Launch launch_;
    PageOpened pageOpened_;
    EventListener eventListener_;
    std::string userAgent_;
    std::vector<std::string> scripts_;
    std::optional<PageSize> size_;
    std::function<void()> pageEnded_;
    std::map<std::string, Response> served_;

    std::optional<Page> page_;
    std::shared_ptr<OneShotResult<void>> opening_;
    // The main frame's document whose load event came last, and the one a navigation awaits.
    std::string loadedDocument_;
    std::string awaitedDocument_;
    std::shared_ptr<OneShotResult<void>> loaded_;
};

} // namespace tarvo
