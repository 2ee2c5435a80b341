#include "Platform/ChromiumPanelHost.h"

#include <chrono>
#include <system_error>
#include <utility>

#include "TarvoBase/Base64.h"
#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Panel/PanelWebView.h"

namespace tarvo {
namespace {

using namespace std::chrono_literals;

// A load the companion starts and nobody awaits ends here at the latest.
constexpr auto loadLimit = 60s;
constexpr auto commandLimit = 10s;
constexpr const char* browserStoppedSentence = "The browser stopped before the download was complete.";

ChromiumPageHost::Launch launchFor(const ChromiumPanelHost::Options& options) {
    ChromiumPageHost::Launch launch;
    launch.browser = options.browser;
    // On the command line rather than per page, so that the windows the page opens and the
    // downloads it starts send it too.
    launch.arguments.push_back(std::string("--user-agent=") + PanelWebView::userAgent);
    if (options.window) {
        launch.window = DevToolsPipe::AppWindow{std::string(bundleIdentifier), options.window->first,
                                                options.window->second};
    }
    return launch;
}

Json cookieParam(const Cookie& cookie) {
    Json param;
    param["name"] = cookie.name;
    param["value"] = cookie.value;
    param["path"] = cookie.path;
    param["secure"] = cookie.secure;
    param["httpOnly"] = cookie.httpOnly;
    // A cookie given a domain is sent to the hosts under it as well; one given only an address
    // stays with its own host.
    if (cookie.hostOnly) {
        param["url"] = std::string(cookie.secure ? "https://" : "http://") + cookie.domain + cookie.path;
    } else {
        param["domain"] = "." + cookie.domain;
    }
    if (cookie.expires) {
        param["expires"] = std::chrono::duration<double>(cookie.expires->time_since_epoch()).count();
    }
    return param;
}

Json autoAttachParams() {
    Json page;
    page["type"] = "page";
    Json params;
    params["autoAttach"] = true;
    params["waitForDebuggerOnStart"] = true;
    params["flatten"] = true;
    params["filter"] = Json::array();
    params["filter"].push_back(std::move(page));
    return params;
}

} // namespace

ChromiumPanelHost::ChromiumPanelHost(Options options, std::shared_ptr<CookieJar> cookies,
                                     std::shared_ptr<SavedFiles> files)
    : options_(std::move(options)),
      page_(options_.profileFolder, launchFor(options_)),
      cookies_(std::move(cookies)),
      downloads_(std::move(files)) {
    page_.addScriptAtDocumentStart(PanelWebView::markers);
    page_.addScriptAtDocumentStart(PanelWebView::linkScript);
    page_.onPageOpened([this](ChromiumPageHost::OpenedPage page) { return setUp(std::move(page)); });
    page_.onEvent([this](const Json& event) { take(event); });
    page_.onPageEnd([this] { pageEnded(); });
}

ChromiumPanelHost::~ChromiumPanelHost() { pageEnded(); }

void ChromiumPanelHost::loadHTML(const std::string& html) {
    spawn(loadQuietly(weak_from_this(), "data:text/html;charset=utf-8;base64," + Base64::encode(html),
                      "a page of its own"));
}

void ChromiumPanelHost::load(const std::string& address) { spawn(loadQuietly(weak_from_this(), address, address)); }

void ChromiumPanelHost::useNavigation(std::shared_ptr<PanelNavigation> navigation) {
    navigation_ = std::move(navigation);
}

void ChromiumPanelHost::show() {
    visible_ = true;
    if (options_.window && opened_) spawn(placeWindow(weak_from_this(), true));
}

void ChromiumPanelHost::hide() {
    visible_ = false;
    if (options_.window && opened_) spawn(placeWindow(weak_from_this(), false));
}

Task<void> ChromiumPanelHost::navigate(std::string address, Duration within) {
    if (opened_ && opened_->browser->isRunning()) {
        const std::shared_ptr<DevToolsPipe> browser = opened_->browser;
        const std::string sessionId = opened_->sessionId;
        co_await giveCookies(browser, sessionId, RunLoop::current().clock().now() + within);
    }
    co_await page_.navigate(std::move(address), within);
}

Task<std::optional<std::string>> ChromiumPanelHost::currentAddress(Duration within) {
    co_return co_await page_.currentAddress(within);
}

Task<std::optional<std::string>> ChromiumPanelHost::evaluate(std::string script, Duration within) {
    co_return co_await page_.evaluateAsTheUser(std::move(script), within);
}

// Runs while the page opens, before anything is loaded into it, in every browser started.
Task<void> ChromiumPanelHost::setUp(ChromiumPageHost::OpenedPage page) {
    pageEnded();
    opened_ = page;
    const std::shared_ptr<DevToolsPipe> browser = page.browser;
    const std::string sessionId = page.sessionId;
    const Clock::Instant due = page.due;
    co_await browser->call("Fetch.enable", documentPatterns(), sessionId, due);
    co_await browser->call("Runtime.enable", Json::object(), sessionId, due);
    Json binding;
    binding["name"] = PanelWebView::reportBinding;
    co_await browser->call("Runtime.addBinding", std::move(binding), sessionId, due);
    if (!options_.window) {
        Json intercept;
        intercept["enabled"] = true;
        co_await browser->call("Page.setInterceptFileChooserDialog", std::move(intercept), sessionId, due);
    }
    Json behaviour;
    behaviour["eventsEnabled"] = true;
    try {
        behaviour["downloadPath"] = downloads_.emptiedStagingFolder().string();
        behaviour["behavior"] = "allowAndName";
    } catch (const std::system_error& failure) {
        // Each download is refused then, and the page hears why when it starts one.
        PlainLog::write(std::string("tarvo: the panel has no folder to download into — ") + failure.what());
        behaviour["behavior"] = "deny";
    }
    co_await browser->call("Browser.setDownloadBehavior", std::move(behaviour), "", due);
    co_await browser->call("Target.setAutoAttach", autoAttachParams(), "", due);
    co_await giveCookies(browser, sessionId, due);
    if (options_.window && !visible_) spawn(placeWindow(weak_from_this(), false));
}

Task<void> ChromiumPanelHost::giveCookies(std::shared_ptr<DevToolsPipe> browser, std::string sessionId,
                                          Clock::Instant due) {
    if (!cookies_) co_return;
    Json list = Json::array();
    for (const Cookie& cookie : cookies_->cookies(RunLoop::current().clock().date())) {
        list.push_back(cookieParam(cookie));
    }
    if (list.empty()) co_return;
    Json params;
    params["cookies"] = std::move(list);
    co_await browser->call("Network.setCookies", std::move(params), sessionId, due);
}

// Holds the host until the load has ended, so what the load touches outlives it.
Task<void> ChromiumPanelHost::loadQuietly(std::weak_ptr<ChromiumPanelHost> weak, std::string address,
                                          std::string shown) {
    const std::shared_ptr<ChromiumPanelHost> self = weak.lock();
    if (!self) co_return;
    try {
        co_await self->navigate(std::move(address), loadLimit);
    } catch (const PageHost::Failure& failure) {
        PlainLog::write("tarvo: the panel did not show " + shown + " — " + failure.what());
    }
}

// The window is minimised rather than withdrawn: the browser keeps it and its page as they were.
Task<void> ChromiumPanelHost::placeWindow(std::weak_ptr<ChromiumPanelHost> weak, bool visible) {
    const std::shared_ptr<ChromiumPanelHost> self = weak.lock();
    if (!self || !self->opened_) co_return;
    const ChromiumPageHost::OpenedPage page = *self->opened_;
    const Clock::Instant due = RunLoop::current().clock().now() + commandLimit;
    try {
        Json target;
        target["targetId"] = page.targetId;
        const Json window = co_await page.browser->call("Browser.getWindowForTarget", std::move(target), "", due);
        Json bounds;
        bounds["windowState"] = visible ? "normal" : "minimized";
        Json params;
        params["windowId"] = window.value("windowId", 0);
        params["bounds"] = std::move(bounds);
        co_await page.browser->call("Browser.setWindowBounds", std::move(params), "", due);
        if (visible) co_await page.browser->call("Page.bringToFront", Json::object(), page.sessionId, due);
    } catch (const PageHost::Failure& failure) {
        PlainLog::write(std::string("tarvo: the panel's window could not be ") + (visible ? "shown" : "hidden") +
                        " — " + failure.what());
    }
}

void ChromiumPanelHost::take(const Json& event) {
    const std::string method = event.value("method", std::string());
    const std::string sessionId = event.value("sessionId", std::string());
    const Json params = event.value("params", Json::object());
    if (method == "Fetch.requestPaused") {
        takePaused(sessionId, params);
        return;
    }
    if (!opened_) return;
    if (sessionId.empty()) {
        if (method == "Target.attachedToTarget") {
            takeAttached(params);
        } else if (method == "Target.detachedFromTarget") {
            popups_.erase(params.value("sessionId", std::string()));
        } else if (method == "Browser.downloadWillBegin") {
            takeDownloadStart(params);
        } else if (method == "Browser.downloadProgress") {
            takeDownloadProgress(params);
        }
        return;
    }
    if (const auto popup = popups_.find(sessionId); popup != popups_.end()) {
        if (method == "Page.frameRequestedNavigation") {
            takePopupNavigation(popup->second, params);
        } else if (method == "Log.entryAdded") {
            takePopupLog(popup->second, params);
        }
        return;
    }
    if (sessionId != opened_->sessionId) return;
    if (method == "Runtime.bindingCalled") {
        takeReport(params);
    } else if (method == "Runtime.executionContextCreated") {
        const Json context = params.value("context", Json::object());
        contextFrames_[context.value("id", 0LL)] =
            context.value("auxData", Json::object()).value("frameId", std::string());
    } else if (method == "Runtime.executionContextDestroyed") {
        contextFrames_.erase(params.value("executionContextId", 0LL));
    } else if (method == "Runtime.executionContextsCleared") {
        contextFrames_.clear();
    } else if (method == "Page.frameNavigated") {
        const Json frame = params.value("frame", Json::object());
        if (frame.value("id", std::string()) == opened_->targetId) {
            shownPage_ = frame.value("url", std::string()) + frame.value("urlFragment", std::string());
        }
    } else if (method == "Page.navigatedWithinDocument") {
        if (params.value("frameId", std::string()) == opened_->targetId) shownPage_ = params.value("url", std::string());
    } else if (method == "Page.fileChooserOpened") {
        chooseNoFiles(params);
    }
}

// The browser auto-attaches every page, the panel's own included: that second session is let go.
void ChromiumPanelHost::takeAttached(const Json& params) {
    const std::string sessionId = params.value("sessionId", std::string());
    const Json info = params.value("targetInfo", Json::object());
    const std::string targetId = info.value("targetId", std::string());
    if (targetId == opened_->targetId) {
        if (sessionId == opened_->sessionId) return;
        Json detach;
        detach["sessionId"] = sessionId;
        send("Target.detachFromTarget", std::move(detach), "");
        return;
    }
    if (info.value("type", std::string()) != "page") return;
    popups_[sessionId] = Popup{targetId};
    spawn(watchPopup(weak_from_this(), opened_->browser, sessionId));
}

// The window waits, paused before its first request, until its requests wait for the panel.
Task<void> ChromiumPanelHost::watchPopup(std::weak_ptr<ChromiumPanelHost> weak, std::shared_ptr<DevToolsPipe> browser,
                                         std::string sessionId) {
    const Clock::Instant due = RunLoop::current().clock().now() + commandLimit;
    try {
        co_await browser->call("Fetch.enable", documentPatterns(), sessionId, due);
        // Not awaited: a window in a process of its own answers them only once it runs. Its
        // first navigation is reported all the same, as the commands come first.
        browser->send("Page.enable", Json::object(), sessionId);
        browser->send("Log.enable", Json::object(), sessionId);
        browser->send("Runtime.runIfWaitingForDebugger", Json::object(), sessionId);
    } catch (const PageHost::Failure& failure) {
        const auto self = weak.lock();
        if (!self) co_return;
        const auto popup = self->popups_.find(sessionId);
        if (popup == self->popups_.end()) co_return;
        PlainLog::write(std::string("tarvo: closing a window the panel's page opened — ") + failure.what());
        self->closePopupOf(popup->second.targetId);
    }
}

void ChromiumPanelHost::chooseNoFiles(const Json& params) {
    PlainLog::write("tarvo: the panel's page asked for files (" + params.value("mode", std::string()) +
                    "), and with no display to choose them on it was given none");
    Json answer;
    answer["files"] = Json::array();
    answer["backendNodeId"] = params.value("backendNodeId", 0);
    send("DOM.setFileInputFiles", std::move(answer), opened_->sessionId);
}

// Whatever the browser ran for the page is gone with it: its downloads are given up, so no
// name stays held.
void ChromiumPanelHost::pageEnded() {
    opened_.reset();
    shownPage_.reset();
    contextFrames_.clear();
    downloadLinks_.clear();
    fetching_.clear();
    answered_.clear();
    expected_.clear();
    popups_.clear();
    cancelled_.clear();
    for (const std::string& guid : std::exchange(running_, {})) downloads_.fail(guid, browserStoppedSentence);
}

void ChromiumPanelHost::send(const std::string& method, Json params, const std::string& sessionId) {
    if (!opened_) return;
    try {
        opened_->browser->send(method, std::move(params), sessionId);
    } catch (const PageHost::Failure&) {
        // The browser is going; its end is on its way to the loop.
    }
}

void ChromiumPanelHost::tell(const std::string& script) {
    if (!opened_) return;
    Json params;
    params["expression"] = script;
    send("Runtime.evaluate", std::move(params), opened_->sessionId);
}

} // namespace tarvo
