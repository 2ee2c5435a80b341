#include <chrono>
#include <exception>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoClient/ServiceRequest.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCore/Companion/CompanionVersion.h"

namespace tarvo {
namespace {

constexpr const char* sessionPath = "/api/auth/companion";
constexpr const char* expiredSentence = "This Mac's connection to Tarvo has expired. Choose Sign in to reconnect it.";
constexpr const char* notSignedInSentence =
    "Tarvo could not sign this window in just now. Everything else keeps working — try opening it again in a moment.";

// Credentials still being read at start-up get this long to arrive.
constexpr int credentialChecks = 40;
constexpr std::chrono::milliseconds credentialCheckInterval{100};

} // namespace

const std::string Companion::unreachablePage = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><meta name="color-scheme" content="dark"><style>
body{margin:0;height:100vh;display:flex;align-items:center;justify-content:center;background:#141414;font:14px -apple-system,BlinkMacSystemFont,sans-serif;color:#f5f5f5}
.card{max-width:26rem;text-align:center;padding:2rem}
.title{font-size:17px;font-weight:600;margin-bottom:.6rem}
.note{color:#b8b8b8;line-height:1.5}
</style></head><body><div class="card"><div class="title">Tarvo cannot reach the server</div>
<p class="note">Your Mac keeps working and nothing is lost — messages are captured and will sync when
the connection returns. Close this window and open it again to retry.</p></div></body></html>
)";

void Companion::openPanelWindow(const std::string& path) {
    panelPath_ = path;
    if (!panelWindow_) createPanelWindow();
    panelRemintAttempted_ = false;
    if (panelWebView_) spawn(openPanel(shared_from_this(), panelWebView_));
    panelWindow_->makeKeyAndOrderFront();
}

void Companion::createPanelWindow() {
    const std::weak_ptr<Companion> weak = weak_from_this();
    auto onSignIn = [weak] {
        if (const auto self = weak.lock()) self->signInFromPanel();
    };
    auto onSessionLapsed = [weak] {
        if (const auto self = weak.lock()) self->remintPanelSession();
    };
    auto onSignedOut = [weak] {
        if (const auto self = weak.lock()) self->signOut();
    };
    auto window = std::make_shared<PanelWindow>();
    window->webView = panelWebView_;
    window->navigation =
        std::make_shared<PanelNavigation>(WebAddress::parse(panelPageURL()).value_or(WebAddress{}), std::move(onSignIn),
                                          std::move(onSessionLapsed), std::move(onSignedOut), opener_);
    if (window->webView) window->webView->useNavigation(window->navigation);
    panelWindow_ = std::move(window);
}

// The two texts are joined as they are: a base address ending in "/" gives "//".
std::string Companion::panelPageURL() const {
    std::string page = settings_.baseURL + panelPath_;
    return WebAddress::parse(page) ? page : settings_.baseURL;
}

Task<void> Companion::openPanel(std::shared_ptr<Companion> self, std::shared_ptr<WebView> web) {
    const PanelSession outcome = co_await self->establishPanelSession();
    switch (outcome) {
    case PanelSession::ready:
        web->load(self->panelPageURL());
        break;
    case PanelSession::notSignedIn: {
        // A paired computer whose tokens are missing lets the web application decide what to show.
        const auto deviceId = self->defaults_->object(deviceIdKey);
        if (deviceId && deviceId->is_string()) {
            web->load(self->panelPageURL());
        } else {
            self->panelWindow_->orderOut();
            self->presentSetupWindow();
        }
        break;
    }
    case PanelSession::failed:
        web->loadHTML(unreachablePage);
        break;
    case PanelSession::expired:
        PlainLog::write("tarvo: panel session refused — showing the in-window sign-in button");
        self->showPanelSignIn();
        break;
    }
}

Task<Companion::PanelSession> Companion::establishPanelSession() {
    if (panelSignedIn_) co_return PanelSession::ready;
    if (!settings_.credentials) {
        const auto deviceId = defaults_->object(deviceIdKey);
        if (!deviceId || !deviceId->is_string()) co_return PanelSession::notSignedIn;
        for (int check = 0; check < credentialChecks && !settings_.credentials; ++check) {
            co_await sleepFor(credentialCheckInterval);
        }
        if (!settings_.credentials) co_return PanelSession::notSignedIn;
    }

    const std::string address = settings_.baseURL + sessionPath;
    const auto origin = WebAddress::parse(address);
    if (!origin) co_return PanelSession::failed;
    const std::shared_ptr<BrainClient> brain = client();
    std::string accessToken = settings_.credentials->accessToken;
    if (brain) accessToken = brain->currentAccessToken().value_or(accessToken);
    const std::string deviceId = settings_.credentials->deviceId;

    std::optional<HttpTransport::Response> answer = co_await attemptPanelSession(address, accessToken, deviceId);
    if (!answer) {
        PlainLog::write("tarvo: panel session request failed");
        co_return PanelSession::failed;
    }
    if (answer->status == 401 && brain) {
        std::optional<std::string> renewed;
        try {
            renewed = co_await brain->renew();
        } catch (...) {
            note(std::current_exception(), "renewing for the panel");
        }
        if (renewed) {
            std::optional<HttpTransport::Response> retried = co_await attemptPanelSession(address, *renewed, deviceId);
            if (retried) answer = std::move(retried);
        }
    }

    if (answer->status == 429) {
        PlainLog::write("tarvo: panel session rate-limited, reusing the session already in this window");
        co_return PanelSession::ready;
    }
    if (answer->status != 200) {
        PlainLog::write("tarvo: panel session refused (" + std::to_string(answer->status) + ")");
        state_.blockedReason = answer->status == 401 ? expiredSentence : notSignedInSentence;
        co_return answer->status == 401 ? PanelSession::expired : PanelSession::failed;
    }
    const int kept = keepPanelCookies(*answer, *origin);
    PlainLog::write("tarvo: panel session established (" + std::to_string(kept) + " cookie(s))");
    panelSignedIn_ = true;
    co_return PanelSession::ready;
}

Task<std::optional<HttpTransport::Response>> Companion::attemptPanelSession(std::string address,
                                                                            std::string accessToken,
                                                                            std::string deviceId) {
    HttpTransport::Request request;
    request.method = "POST";
    request.url = std::move(address);
    request.timeout = std::chrono::seconds(60);
    ServiceRequest::setHeader(request.headers, "content-type", "application/json");
    ServiceRequest::authorise(request.headers, accessToken, deviceId);
    ServiceRequest::identify(request.headers, CompanionVersion::identity());
    request.body = "{}";
    try {
        co_return co_await ServiceRequest::perform(session_, std::move(request));
    } catch (const std::exception&) {
        co_return std::nullopt;
    }
}

int Companion::keepPanelCookies(const HttpTransport::Response& answer, const WebAddress& origin) {
    const Cookie::Date now = loop_.clock().date();
    int kept = 0;
    for (const std::string& field : answer.setCookies) {
        Cookie::Parsed parsed = Cookie::fromSetCookie(field, origin, now);
        if (!parsed.cookie) {
            PlainLog::write("tarvo: refused a panel cookie — " + parsed.refusal);
            continue;
        }
        ++kept;
        try {
            panelCookies_->keep(std::move(*parsed.cookie), now);
        } catch (const std::system_error& failure) {
            PlainLog::write(std::string("tarvo: the panel's cookies could not be kept on disk — ") + failure.what() +
                            "; they last until the companion ends");
        }
    }
    return kept;
}

void Companion::remintPanelSession() {
    if (!panelWebView_) return;
    if (panelRemintAttempted_) {
        PlainLog::write("tarvo: the panel session lapsed again after a re-mint — asking for a sign-in");
        showPanelSignIn();
        return;
    }
    panelRemintAttempted_ = true;
    panelSignedIn_ = false;
    spawn(remint(shared_from_this(), panelWebView_));
}

Task<void> Companion::remint(std::shared_ptr<Companion> self, std::shared_ptr<WebView> web) {
    const PanelSession outcome = co_await self->establishPanelSession();
    switch (outcome) {
    case PanelSession::ready:
        PlainLog::write("tarvo: re-minted the panel session — nobody had to sign in");
        self->panelShowingSignIn_ = false;
        web->load(self->panelPageURL());
        break;
    case PanelSession::notSignedIn:
    case PanelSession::expired:
        self->showPanelSignIn();
        break;
    case PanelSession::failed:
        web->loadHTML(unreachablePage);
        break;
    }
}

} // namespace tarvo
