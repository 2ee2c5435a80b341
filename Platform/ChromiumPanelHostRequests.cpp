#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "Platform/ChromiumPanelHost.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Panel/PanelWebView.h"
#include "TarvoCore/Panel/WebAddress.h"

namespace tarvo {
namespace {

using Answer = PanelNavigation::Answer;

constexpr const char* acceptedPages = "text/html,application/xhtml+xml";

// The request's headers with Accept given as a page would ask for it.
Json acceptingPages(const Json& request) {
    Json headers = Json::array();
    const Json asked = request.value("headers", Json::object());
    for (const auto& [name, value] : asked.items()) {
        if (Text::lowercased(name) == "accept" || !value.is_string()) continue;
        Json header;
        header["name"] = name;
        header["value"] = value;
        headers.push_back(std::move(header));
    }
    Json accept;
    accept["name"] = "Accept";
    accept["value"] = acceptedPages;
    headers.push_back(std::move(accept));
    return headers;
}

// The answer's headers, saying that it is a file to save; a file name it gave stays.
Json asAttachment(const Json& responseHeaders) {
    Json headers = Json::array();
    bool named = false;
    for (const Json& header : responseHeaders) {
        Json kept = header;
        if (Text::lowercased(header.value("name", std::string())) == "content-disposition") {
            const std::string value = header.value("value", std::string());
            const auto parameters = value.find(';');
            kept["value"] = parameters == std::string::npos ? "attachment" : "attachment" + value.substr(parameters);
            named = true;
        }
        headers.push_back(std::move(kept));
    }
    if (!named) {
        Json disposition;
        disposition["name"] = "Content-Disposition";
        disposition["value"] = "attachment";
        headers.push_back(std::move(disposition));
    }
    return headers;
}

bool isRedirect(const Json& paused) {
    const int status = paused.value("responseStatusCode", 0);
    if (status < 300 || status > 399) return false;
    const Json headers = paused.value("responseHeaders", Json::array());
    for (const Json& header : headers) {
        if (Text::lowercased(header.value("name", std::string())) == "location") return true;
    }
    return false;
}

// The browser names a request that got no answer in one word ("ConnectionRefused"); the page is
// told it in words.
std::string unreachableSentence(const std::string& reason) {
    std::string words;
    for (const char c : reason) {
        if (std::isupper(static_cast<unsigned char>(c)) && !words.empty()) words += ' ';
        words += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (words.empty()) words = "failed";
    return "The file could not be fetched (" + words + "), so nothing was saved.";
}

bool hasScheme(const std::string& address, std::initializer_list<const char*> schemes) {
    const auto parsed = WebAddress::parse(address);
    if (!parsed) return false;
    for (const char* scheme : schemes) {
        if (parsed->scheme == scheme) return true;
    }
    return false;
}

} // namespace

Json ChromiumPanelHost::documentPatterns() {
    Json patterns = Json::array();
    for (const char* stage : {"Request", "Response"}) {
        Json pattern;
        pattern["urlPattern"] = "*";
        pattern["resourceType"] = "Document";
        pattern["requestStage"] = stage;
        patterns.push_back(std::move(pattern));
    }
    Json params;
    params["patterns"] = std::move(patterns);
    return params;
}

void ChromiumPanelHost::takePaused(const std::string& sessionId, const Json& paused) {
    if (paused.contains("responseStatusCode") || paused.contains("responseErrorReason")) {
        takeResponse(sessionId, paused);
    } else {
        takeRequest(sessionId, paused);
    }
}

// A window opened on an address that is no request (a blank page, a blob) never pauses, so it is
// decided here: it has nothing to download and nothing of its own to show.
void ChromiumPanelHost::takePopupNavigation(Popup& popup, const Json& params) {
    if (popup.decided || params.value("frameId", std::string()) != popup.targetId) return;
    if (hasScheme(params.value("url", std::string()), {"http", "https"})) return;
    closeUndecided(popup);
}

// The browser refuses some first navigations of a window itself (a data: address in the top
// frame): nothing is requested, the window stays blank, and only a security entry in its log
// says so. Before its first request a window has nothing else to be refused.
void ChromiumPanelHost::takePopupLog(Popup& popup, const Json& params) {
    if (popup.decided || params.value("entry", Json::object()).value("source", std::string()) != "security") return;
    closeUndecided(popup);
}

void ChromiumPanelHost::closeUndecided(Popup& popup) {
    popup.decided = true;
    const std::string targetId = popup.targetId;
    closePopupOf(targetId);
}

void ChromiumPanelHost::takeRequest(const std::string& sessionId, const Json& paused) {
    const std::string requestId = paused.value("requestId", std::string());
    const Json request = paused.value("request", Json::object());
    const std::string url = request.value("url", std::string());
    const std::string frameId = paused.value("frameId", std::string());
    std::string originalURL = url;
    // A redirect of a download goes on as the download; any other is a navigation of its own.
    if (const auto before = fetching_.find(paused.value("redirectedRequestId", std::string()));
        before != fetching_.end()) {
        Fetching fetching = std::move(before->second);
        fetching_.erase(before);
        if (fetching.download) {
            const Json headers = fetching.acceptsPages ? acceptingPages(request) : Json();
            fetching_[requestId] = std::move(fetching);
            proceed(sessionId, requestId, headers);
            return;
        }
        originalURL = fetching.originalURL;
    }
    const bool ofThePage = opened_ && sessionId == opened_->sessionId;
    const auto popup = popups_.find(sessionId);
    if (!navigation_ || (!ofThePage && popup == popups_.end())) {
        proceed(sessionId, requestId);
        return;
    }
    PanelNavigation::Action action;
    action.url = url;
    action.shownPage = shownPage_;
    std::optional<std::string> popupTarget;
    if (popup != popups_.end()) {
        // A window of the page's own has nothing of its own to show: all it may do is download.
        if (popup->second.decided) {
            abort(sessionId, requestId);
            return;
        }
        popup->second.decided = true;
        popupTarget = popup->second.targetId;
        action.frame = PanelRoute::Frame::newWindow;
    } else {
        action.frame = frameId == opened_->targetId ? PanelRoute::Frame::main : PanelRoute::Frame::sub;
        action.shouldPerformDownload = downloadLinks_.erase({frameId, url}) > 0;
    }
    auto answer = [&](Answer decided) {
        follow(sessionId, requestId, request, originalURL, decided, popupTarget);
    };
    navigation_->decidePolicy(action, answer);
}

void ChromiumPanelHost::follow(const std::string& sessionId, const std::string& requestId, const Json& request,
                               const std::string& originalURL, Answer answer,
                               const std::optional<std::string>& popupTarget) {
    Fetching fetching{originalURL};
    switch (answer) {
    case Answer::allow:
        if (!popupTarget) {
            fetching_[requestId] = std::move(fetching);
            proceed(sessionId, requestId);
            return;
        }
        break;
    case Answer::cancel: break;
    case Answer::download:
        fetching.download = true;
        fetching_[requestId] = std::move(fetching);
        proceed(sessionId, requestId);
        return;
    case Answer::cancelAndDownload:
    case Answer::cancelAndDownloadToOpen:
        fetching.download = true;
        fetching.acceptsPages = true;
        fetching.opens = answer == Answer::cancelAndDownloadToOpen;
        fetching_[requestId] = std::move(fetching);
        proceed(sessionId, requestId, acceptingPages(request));
        return;
    }
    abort(sessionId, requestId);
    if (popupTarget) closePopupOf(*popupTarget);
}

void ChromiumPanelHost::takeResponse(const std::string& sessionId, const Json& paused) {
    const std::string requestId = paused.value("requestId", std::string());
    const std::string url = paused.value("request", Json::object()).value("url", std::string());
    const std::string frameId = paused.value("frameId", std::string());
    Fetching fetching{url};
    const auto found = fetching_.find(requestId);
    if (found != fetching_.end()) fetching = found->second;
    // The redirect's own request comes next, and finds what this one was for.
    if (isRedirect(paused)) {
        proceed(sessionId, requestId, Json(), true);
        return;
    }
    if (found != fetching_.end()) fetching_.erase(found);
    const PanelDownloads::Tell telling = [this](const std::string& script) { tell(script); };
    if (paused.contains("responseErrorReason")) {
        if (fetching.download) {
            abort(sessionId, requestId);
            closePopupOf(frameId);
            downloads_.fail(requestId, unreachableSentence(paused.value("responseErrorReason", std::string())),
                            telling);
        } else {
            proceed(sessionId, requestId, Json(), true);
        }
        return;
    }
    PanelDownloads::Response response{paused.value("responseStatusCode", 0), url};
    if (!fetching.download) {
        answered_[frameId] = Expected{std::move(fetching), std::move(response)};
        proceed(sessionId, requestId, Json(), true);
        return;
    }
    PanelDownloads::Download download;
    download.id = requestId;
    download.originalURL = fetching.originalURL;
    download.response = response;
    download.page = shownPage_;
    if (downloads_.refused(download, telling)) {
        abort(sessionId, requestId);
        closePopupOf(frameId);
        return;
    }
    expected_[{frameId, url}] = Expected{std::move(fetching), std::move(response)};
    Json params;
    params["requestId"] = requestId;
    params["responseCode"] = paused.value("responseStatusCode", 200);
    params["responseHeaders"] = asAttachment(paused.value("responseHeaders", Json::array()));
    send("Fetch.continueResponse", std::move(params), sessionId);
}

// The link script's report of a click whose default it prevented.
void ChromiumPanelHost::takeReport(const Json& params) {
    if (params.value("name", std::string()) != PanelWebView::reportBinding) return;
    const auto frame = contextFrames_.find(params.value("executionContextId", 0LL));
    const auto report = JsonReader::parse(params.value("payload", std::string()));
    if (frame == contextFrames_.end() || !report || !report->is_object() || !navigation_) return;
    const std::string kind = report->value("kind", std::string());
    const std::string url = report->value("url", std::string());
    const std::string frameId = frame->second;
    if (kind == "panel" && hasScheme(url, {"tarvo-panel"})) {
        PanelNavigation::Action action;
        action.url = url;
        action.shownPage = shownPage_;
        action.frame = frameId == opened_->targetId ? PanelRoute::Frame::main : PanelRoute::Frame::sub;
        // The engine was kept from following the link: whatever the answer, nothing is loaded.
        navigation_->decidePolicy(action, [](Answer) {});
    } else if (kind == "download" && hasScheme(url, {"http", "https"})) {
        downloadLinks_.insert({frameId, url});
        Json navigate;
        navigate["url"] = url;
        navigate["frameId"] = frameId;
        send("Page.navigate", std::move(navigate), opened_->sessionId);
    }
}

void ChromiumPanelHost::takeDownloadStart(const Json& params) {
    const std::string guid = params.value("guid", std::string());
    const std::string frameId = params.value("frameId", std::string());
    const std::string url = params.value("url", std::string());
    PanelDownloads::Download download;
    download.id = guid;
    download.originalURL = url;
    download.suggestedFilename = params.value("suggestedFilename", std::string());
    download.page = shownPage_;
    bool opens = false;
    if (const auto expected = expected_.find({frameId, url}); expected != expected_.end()) {
        download.originalURL = expected->second.fetching.originalURL;
        download.response = expected->second.response;
        opens = expected->second.fetching.opens;
        expected_.erase(expected);
    } else if (const auto answered = answered_.find(frameId);
               answered != answered_.end() && answered->second.response.url == url) {
        download.originalURL = answered->second.fetching.originalURL;
        download.response = answered->second.response;
    }
    if (opens) downloads_.openWhenSaved(guid);
    const PanelDownloads::Tell telling = [this](const std::string& script) { tell(script); };
    if (downloads_.decideDestination(download, telling)) {
        running_.insert(guid);
    } else {
        cancelled_.insert(guid);
        Json cancel;
        cancel["guid"] = guid;
        send("Browser.cancelDownload", std::move(cancel), "");
    }
    closePopupOf(frameId);
}

void ChromiumPanelHost::takeDownloadProgress(const Json& params) {
    const std::string guid = params.value("guid", std::string());
    const std::string state = params.value("state", std::string());
    if (state != "completed" && state != "canceled") return;
    if (cancelled_.erase(guid) > 0 || running_.erase(guid) == 0) return;
    if (state == "canceled") {
        downloads_.fail(guid, "The download stopped before it was complete.");
        return;
    }
    std::filesystem::path written = params.value("filePath", std::string());
    if (written.empty()) {
        try {
            written = downloads_.stagingFolder() / guid;
        } catch (const std::system_error& failure) {
            downloads_.fail(guid, failure.code().message());
            return;
        }
    }
    downloads_.finish(guid, written);
}

void ChromiumPanelHost::proceed(const std::string& sessionId, const std::string& requestId, const Json& headers,
                                bool answered) {
    Json params;
    params["requestId"] = requestId;
    if (headers.is_array()) params["headers"] = headers;
    send(answered ? "Fetch.continueResponse" : "Fetch.continueRequest", std::move(params), sessionId);
}

void ChromiumPanelHost::abort(const std::string& sessionId, const std::string& requestId) {
    Json params;
    params["requestId"] = requestId;
    params["errorReason"] = "Aborted";
    send("Fetch.failRequest", std::move(params), sessionId);
}

void ChromiumPanelHost::closePopupOf(const std::string& frameId) {
    for (auto popup = popups_.begin(); popup != popups_.end(); ++popup) {
        if (popup->second.targetId != frameId) continue;
        Json close;
        close["targetId"] = frameId;
        send("Target.closeTarget", std::move(close), "");
        popups_.erase(popup);
        return;
    }
}

} // namespace tarvo
