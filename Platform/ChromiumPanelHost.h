#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include <sys/types.h>

#include "Platform/ChromiumPageHost.h"
#include "TarvoCore/Panel/CookieJar.h"
#include "TarvoCore/Panel/PanelDownloads.h"
#include "TarvoCore/Panel/PanelNavigation.h"
#include "TarvoCore/Panel/WebView.h"

namespace tarvo {

// The panel's web view on a browser of its own: an application window on the display, or
// headless where there is none. Every document request of the page, in every frame and in every
// window it opens, waits in the browser until the panel's navigation has decided it; what it
// turns into a download the browser writes into the Downloads folder's hidden staging folder,
// and `PanelDownloads` saves it. Made with std::make_shared on the loop's thread, and gone
// before the loop is.
class ChromiumPanelHost final : public WebView, public std::enable_shared_from_this<ChromiumPanelHost> {
public:
    using Duration = Clock::Duration;

    struct Options {
        // Keeps the page's cookies and storage from one run to the next; the browser's alone.
        std::string profileFolder{};
        std::string browser = ChromiumPageHost::defaultBrowser;
        // A window of this size on the display; none runs the browser headless.
        std::optional<std::pair<int, int>> window{};
    };

    ChromiumPanelHost(Options options, std::shared_ptr<CookieJar> cookies, std::shared_ptr<SavedFiles> files);
    // Downloads still running are given up, so no name stays held by an empty file.
    ~ChromiumPanelHost() override;

    ChromiumPanelHost(const ChromiumPanelHost&) = delete;
    ChromiumPanelHost& operator=(const ChromiumPanelHost&) = delete;

    void loadHTML(const std::string& html) override;
    void load(const std::string& address) override;
    void useNavigation(std::shared_ptr<PanelNavigation> navigation) override;
    void show() override;
    void hide() override;

    // Loads `address` into the page and waits for its load; `load` without the wait. Throws
    // `PageHost::Failure`, also when the navigation was not allowed.
    Task<void> navigate(std::string address, Duration within);
    // The address of the page shown; nothing before the first load.
    Task<std::optional<std::string>> currentAddress(Duration within);
    // For tests and benchmarks: runs `script` in the page's main frame as though the user had
    // just acted there (so it may open a window); its value when that is a string.
    Task<std::optional<std::string>> evaluate(std::string script, Duration within);
    // The running browser's process; absent when none runs.
    std::optional<pid_t> browserProcess() const { return page_.browserProcess(); }

private:
    // What the host does with a document request once it is allowed to go on.
    struct Fetching {
        // The address first asked for, before any redirect.
        std::string originalURL;
        // The answer is to be saved as a file, opened once saved when `opens`.
        bool download = false;
        bool opens = false;
        // A download the panel fetches itself asks for a page, as a browser would.
        bool acceptsPages = false;
    };
    // A download whose response passed the rules, until the browser names it.
    struct Expected {
        Fetching fetching;
        PanelDownloads::Response response;
    };
    // A window the page opened: decided on its first request, then closed.
    struct Popup {
        std::string targetId;
        bool decided = false;
    };

    // Every document request, paused before it is sent and again with its answer.
    static Json documentPatterns();

    Task<void> setUp(ChromiumPageHost::OpenedPage page);
    Task<void> giveCookies(std::shared_ptr<DevToolsPipe> browser, std::string sessionId, Clock::Instant due);
    static Task<void> loadQuietly(std::weak_ptr<ChromiumPanelHost> weak, std::string address, std::string shown);
    static Task<void> placeWindow(std::weak_ptr<ChromiumPanelHost> weak, bool visible);
    static Task<void> watchPopup(std::weak_ptr<ChromiumPanelHost> weak, std::shared_ptr<DevToolsPipe> browser,
                                 std::string sessionId);

    void take(const Json& event);
    void takeAttached(const Json& params);
    void takePaused(const std::string& sessionId, const Json& paused);
    void takePopupNavigation(Popup& popup, const Json& params);
    void takePopupLog(Popup& popup, const Json& params);
    // A window that is to fetch nothing: it has nothing of its own to show.
    void closeUndecided(Popup& popup);
    void takeRequest(const std::string& sessionId, const Json& paused);
    void takeResponse(const std::string& sessionId, const Json& paused);
    void follow(const std::string& sessionId, const std::string& requestId, const Json& request,
                const std::string& originalURL, PanelNavigation::Answer answer,
                const std::optional<std::string>& popupTarget);
    void takeReport(const Json& params);
    void takeDownloadStart(const Json& params);
    void takeDownloadProgress(const Json& params);
    void chooseNoFiles(const Json& params);
    void pageEnded();

    // Lets a paused request go on, with `headers` in place of its own when they are an array;
    // `answered` when it is paused with its answer.
    void proceed(const std::string& sessionId, const std::string& requestId, const Json& headers = Json(),
                 bool answered = false);
    void abort(const std::string& sessionId, const std::string& requestId);
    void closePopupOf(const std::string& frameId);
    void send(const std::string& method, Json params, const std::string& sessionId);
    void tell(const std::string& script);

    const Options options_;
    ChromiumPageHost page_;
    std::shared_ptr<CookieJar> cookies_;
    PanelDownloads downloads_;
    std::shared_ptr<PanelNavigation> navigation_;
    bool visible_ = false;

    // What belongs to the browser now running; forgotten when it ends.
    std::optional<ChromiumPageHost::OpenedPage> opened_;
    std::optional<std::string> shownPage_;
    // Execution context to the frame it runs in, for the link script's reports.
    std::map<long long, std::string> contextFrames_;
    // Download links clicked, by frame and address, waiting for their request.
    std::set<std::pair<std::string, std::string>> downloadLinks_;
    // By the browser's id of the paused request.
    std::map<std::string, Fetching> fetching_;
    // The last document answer of each frame, for a download the browser starts by itself.
    std::map<std::string, Expected> answered_;
    // By frame and address.
    std::map<std::pair<std::string, std::string>, Expected> expected_;
    // By the popup's session.
    std::map<std::string, Popup> popups_;
    // Downloads the browser runs for us, and those it was told to cancel.
    std::set<std::string> running_;
    std::set<std::string> cancelled_;
};

} // namespace tarvo
