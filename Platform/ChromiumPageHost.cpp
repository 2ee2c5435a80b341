#include "Platform/ChromiumPageHost.h"

#include <exception>
#include <utility>

#include "Platform/AnswerWithin.h"
#include "TarvoBase/Base64.h"
#include "TarvoBase/RunLoop.h"

namespace tarvo {
namespace {

using Failure = PageHost::Failure;

Failure browserFailure(const std::string& text) { return Failure(Failure::Kind::browser, text); }

// The page's first tab shows this until something is loaded.
const std::string blankAddress = "about:blank";

bool isIdentifier(const std::string& name) {
    auto isStart = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$'; };
    auto isPart = [&](char c) { return isStart(c) || (c >= '0' && c <= '9'); };
    if (name.empty() || !isStart(name.front())) return false;
    for (const char c : name) {
        if (!isPart(c)) return false;
    }
    return true;
}

// What a person would read of the exception: a thrown string as it is, else the first line of
// the exception's description (its stack follows there), else the browser's own summary.
std::string exceptionMessage(const Json& details) {
    const Json exception = details.value("exception", Json::object());
    if (const auto value = exception.find("value"); value != exception.end() && value->is_string()) {
        return value->get<std::string>();
    }
    const std::string description = exception.value("description", std::string());
    if (!description.empty()) return description.substr(0, description.find('\n'));
    return details.value("text", std::string("the script failed"));
}

Json keyEvent(const std::string& type) {
    Json event;
    event["type"] = type;
    event["key"] = "Enter";
    event["code"] = "Enter";
    event["windowsVirtualKeyCode"] = 13;
    event["nativeVirtualKeyCode"] = 13;
    if (type == "keyDown") {
        event["text"] = "\r";
        event["unmodifiedText"] = "\r";
    }
    return event;
}

} // namespace

ChromiumPageHost::ChromiumPageHost(std::string profileFolder, std::string browser)
    : ChromiumPageHost(std::move(profileFolder), Launch{.browser = std::move(browser)}) {}

ChromiumPageHost::ChromiumPageHost(std::string profileFolder, Launch launch)
    : profileFolder_(std::move(profileFolder)), launch_(std::move(launch)) {}

void ChromiumPageHost::serve(std::string address, Response response) {
    served_.insert_or_assign(std::move(address), std::move(response));
}

std::optional<pid_t> ChromiumPageHost::browserProcess() const {
    if (!page_ || !page_->browser->isRunning()) return std::nullopt;
    return page_->browser->browserProcess();
}

void ChromiumPageHost::setUserAgent(std::string userAgent) { userAgent_ = std::move(userAgent); }

void ChromiumPageHost::addScriptAtDocumentStart(std::string source) { scripts_.push_back(std::move(source)); }

void ChromiumPageHost::setPageSize(int width, int height) { size_ = PageSize{width, height}; }

void ChromiumPageHost::onPageEnd(std::function<void()> ended) { pageEnded_ = std::move(ended); }

Task<void> ChromiumPageHost::navigate(std::string address, Duration within) {
    const auto due = dueAfter(within);
    const Target target = co_await readyPage(due);
    Json params;
    params["url"] = address;
    const Json navigated = co_await target.browser->call("Page.navigate", std::move(params), target.sessionId, due);
    if (const auto error = navigated.find("errorText"); error != navigated.end() && error->is_string()) {
        throw browserFailure("could not load " + address + ": " + error->get<std::string>());
    }
    // A navigation within the document makes no new document and has no load of its own.
    const std::string document = navigated.value("loaderId", std::string());
    if (document.empty() || document == loadedDocument_) co_return;
    // A navigation still waiting for its load will never see it: this one replaced its page.
    if (loaded_) {
        const auto replaced = browserFailure("the page went to " + address + " before it had loaded");
        std::exchange(loaded_, nullptr)->fail(std::make_exception_ptr(replaced));
    }
    auto loaded = std::make_shared<OneShotResult<void>>();
    awaitedDocument_ = document;
    loaded_ = loaded;
    co_await answerWithin(loaded, due, "the page at " + address + " had not loaded by its deadline");
}

Task<std::optional<std::string>> ChromiumPageHost::currentAddress(Duration within) {
    // A page that does not exist has loaded nothing; no browser is started to say so.
    if (!page_ || !page_->browser->isRunning()) co_return std::nullopt;
    const auto due = dueAfter(within);
    const Target target = co_await readyPage(due);
    Json params;
    params["targetId"] = target.targetId;
    const Json info = co_await target.browser->call("Target.getTargetInfo", std::move(params), "", due);
    const std::string address = info.value("targetInfo", Json::object()).value("url", std::string());
    if (address.empty() || address == blankAddress) co_return std::nullopt;
    co_return address;
}

Task<std::optional<std::string>> ChromiumPageHost::evaluate(std::string script, Duration within) {
    Json params;
    params["expression"] = std::move(script);
    params["returnByValue"] = true;
    co_return co_await runScript(std::move(params), dueAfter(within));
}

Task<std::optional<std::string>> ChromiumPageHost::evaluateAsTheUser(std::string script, Duration within) {
    Json params;
    params["expression"] = std::move(script);
    params["returnByValue"] = true;
    params["userGesture"] = true;
    co_return co_await runScript(std::move(params), dueAfter(within));
}

Task<std::optional<std::string>> ChromiumPageHost::callAsyncFunction(std::string body, Json arguments,
                                                                     Duration within) {
    if (arguments.is_null()) arguments = Json::object();
    if (!arguments.is_object()) {
        throw Failure(Failure::Kind::script, "the arguments of a page function are not an object");
    }
    std::string names;
    Json values = Json::array();
    for (auto& [name, value] : arguments.items()) {
        // The names become code: only plain identifiers may.
        if (!isIdentifier(name)) {
            throw Failure(Failure::Kind::script, "no page function takes an argument named " + name);
        }
        names += (names.empty() ? "" : ", ") + name;
        values.push_back(std::move(value));
    }
    std::string valueList;
    try {
        valueList = values.dump();
    } catch (const Json::type_error& error) {
        throw Failure(Failure::Kind::script, error.what());
    }
    Json params;
    params["expression"] = "(async function(" + names + ") {\n" + body + "\n}).apply(undefined, " + valueList + ")";
    params["awaitPromise"] = true;
    params["returnByValue"] = true;
    co_return co_await runScript(std::move(params), dueAfter(within));
}

Task<void> ChromiumPageHost::insertText(std::string text, Duration within) {
    Json params;
    params["text"] = std::move(text);
    co_await run("Input.insertText", std::move(params), dueAfter(within));
}

Task<void> ChromiumPageHost::pressReturn(Duration within) {
    const auto due = dueAfter(within);
    co_await run("Input.dispatchKeyEvent", keyEvent("keyDown"), due);
    co_await run("Input.dispatchKeyEvent", keyEvent("keyUp"), due);
}

Task<std::string> ChromiumPageHost::captureScreenshot(Duration within) {
    Json params;
    params["format"] = "png";
    const Json shot = co_await run("Page.captureScreenshot", std::move(params), dueAfter(within));
    const auto picture = Base64::decode(shot.value("data", std::string()));
    if (!picture || picture->empty()) throw browserFailure("the browser gave no picture of the page");
    co_return *picture;
}

Task<ChromiumPageHost::Target> ChromiumPageHost::readyPage(Clock::Instant due) {
    if (page_ && !page_->browser->isRunning()) page_.reset();
    if (!page_) {
        // Calls that come while the page opens wait for that opening rather than start another.
        std::shared_ptr<OneShotResult<void>> opening = opening_;
        if (!opening) {
            opening = std::make_shared<OneShotResult<void>>();
            opening_ = opening;
            std::exception_ptr failed;
            try {
                page_ = co_await openPage(due);
            } catch (...) {
                failed = std::current_exception();
            }
            opening_.reset();
            if (failed) {
                opening->fail(failed);
            } else {
                opening->succeed();
            }
        }
        co_await *opening;
    }
    if (!page_) throw browserFailure("the browser ended while the page opened");
    const Target target{page_->browser, page_->sessionId, page_->targetId};
    co_await bringUpToDate(target.browser, target.sessionId, due);
    co_return target;
}

Task<ChromiumPageHost::Page> ChromiumPageHost::openPage(Clock::Instant due) {
    auto onEvent = [this](const Json& event) { take(event); };
    auto onEnd = [this] {
        if (loaded_) {
            const auto ended = browserFailure("the browser ended before the page had loaded");
            std::exchange(loaded_, nullptr)->fail(std::make_exception_ptr(ended));
        }
        if (pageEnded_) pageEnded_();
    };
    // A browser that serves looks up no name either: it would ask for the served addresses'
    // names before it asks for their pages.
    std::vector<std::string> more = launch_.arguments;
    if (!served_.empty()) more.push_back("--host-resolver-rules=MAP * ~NOTFOUND");
    auto browser = std::make_shared<DevToolsPipe>(launch_.browser, profileFolder_, more, onEvent, onEnd, launch_.window);
    const Json none = Json::object();
    const Json targets = co_await browser->call("Target.getTargets", none, "", due);
    std::string targetId;
    for (const Json& info : targets.value("targetInfos", Json::array())) {
        if (info.value("type", std::string()) == "page") {
            targetId = info.value("targetId", std::string());
            break;
        }
    }
    if (targetId.empty()) {
        Json params;
        params["url"] = blankAddress;
        const Json created = co_await browser->call("Target.createTarget", std::move(params), "", due);
        targetId = created.value("targetId", std::string());
    }
    Json attach;
    attach["targetId"] = targetId;
    attach["flatten"] = true;
    const Json attached = co_await browser->call("Target.attachToTarget", std::move(attach), "", due);
    const std::string sessionId = attached.value("sessionId", std::string());
    co_await browser->call("Page.enable", none, sessionId, due);
    Json lifecycle;
    lifecycle["enabled"] = true;
    co_await browser->call("Page.setLifecycleEventsEnabled", std::move(lifecycle), sessionId, due);
    if (pageOpened_) {
        OpenedPage opened{browser, sessionId, targetId, due};
        Task<void> settingUp = pageOpened_(std::move(opened));
        co_await std::move(settingUp);
    }
    Page page;
    page.browser = browser;
    page.targetId = targetId;
    page.sessionId = sessionId;
    co_return page;
}

// Each setting is marked as given before it is sent, so two calls never give one twice.
Task<void> ChromiumPageHost::bringUpToDate(std::shared_ptr<DevToolsPipe> browser, std::string sessionId,
                                           Clock::Instant due) {
    auto stillThePage = [&] { return page_ && page_->sessionId == sessionId; };
    if (stillThePage() && !served_.empty() && !page_->serving) {
        page_->serving = true;
        Json pattern;
        pattern["urlPattern"] = "*";
        Json params;
        params["patterns"] = Json::array();
        params["patterns"].push_back(std::move(pattern));
        co_await browser->call("Fetch.enable", std::move(params), sessionId, due);
    }
    if (stillThePage() && page_->userAgentGiven != userAgent_) {
        page_->userAgentGiven = userAgent_;
        Json params;
        params["userAgent"] = userAgent_;
        co_await browser->call("Emulation.setUserAgentOverride", std::move(params), sessionId, due);
    }
    if (stillThePage() && size_ && page_->sizeGiven != size_) {
        page_->sizeGiven = size_;
        Json params;
        params["width"] = size_->width;
        params["height"] = size_->height;
        params["deviceScaleFactor"] = 1;
        params["mobile"] = false;
        co_await browser->call("Emulation.setDeviceMetricsOverride", std::move(params), sessionId, due);
    }
    while (stillThePage() && page_->scriptsGiven < scripts_.size()) {
        Json params;
        params["source"] = scripts_[page_->scriptsGiven++];
        co_await browser->call("Page.addScriptToEvaluateOnNewDocument", std::move(params), sessionId, due);
    }
}

Task<Json> ChromiumPageHost::run(std::string method, Json params, Clock::Instant due) {
    const Target target = co_await readyPage(due);
    co_return co_await target.browser->call(std::move(method), std::move(params), target.sessionId, due);
}

Task<std::optional<std::string>> ChromiumPageHost::runScript(Json params, Clock::Instant due) {
    const Json reply = co_await run("Runtime.evaluate", std::move(params), due);
    if (const auto details = reply.find("exceptionDetails"); details != reply.end()) {
        throw Failure(Failure::Kind::script, exceptionMessage(*details));
    }
    const Json result = reply.value("result", Json::object());
    if (result.value("type", std::string()) != "string") co_return std::nullopt;
    co_return result.value("value", std::string());
}

void ChromiumPageHost::take(const Json& event) {
    const bool ofThePage = page_ && event.value("sessionId", std::string()) == page_->sessionId;
    const std::string method = event.value("method", std::string());
    const Json params = event.value("params", Json::object());
    if (ofThePage && page_->serving && method == "Fetch.requestPaused") {
        answerRequest(params);
        return;
    }
    if (ofThePage && method == "Page.lifecycleEvent" && params.value("name", std::string()) == "load" &&
        params.value("frameId", std::string()) == page_->targetId) {
        loadedDocument_ = params.value("loaderId", std::string());
        if (loaded_ && loadedDocument_ == awaitedDocument_) std::exchange(loaded_, nullptr)->succeed();
    }
    if (eventListener_) eventListener_(event);
}

void ChromiumPageHost::answerRequest(const Json& paused) {
    Json params;
    params["requestId"] = paused.value("requestId", std::string());
    const auto served = served_.find(paused.value("request", Json::object()).value("url", std::string()));
    std::string method = "Fetch.failRequest";
    if (served == served_.end()) {
        params["errorReason"] = "BlockedByClient";
    } else {
        method = "Fetch.fulfillRequest";
        Json contentType;
        contentType["name"] = "Content-Type";
        contentType["value"] = served->second.contentType;
        params["responseCode"] = served->second.status;
        params["responseHeaders"] = Json::array();
        params["responseHeaders"].push_back(std::move(contentType));
        params["body"] = Base64::encode(served->second.body);
    }
    try {
        page_->browser->send(method, std::move(params), page_->sessionId);
    } catch (const Failure&) {
        // The browser is going; its end is on its way to the loop.
    }
}

Clock::Instant ChromiumPageHost::dueAfter(Duration within) const { return RunLoop::current().clock().now() + within; }

} // namespace tarvo
