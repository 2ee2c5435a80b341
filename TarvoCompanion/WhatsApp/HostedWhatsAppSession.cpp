#include "TarvoCompanion/WhatsApp/HostedWhatsAppSession.h"

#include <system_error>
#include <utility>

#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo {
namespace {

Task<void> navigateTo(std::shared_ptr<PageHost> page, std::string address,
                      std::shared_ptr<OneShotResult<void>> loaded) {
    try {
        co_await page->navigate(std::move(address), HostedWhatsAppSession::navigationLimit);
    } catch (const PageHost::Failure&) {
        // A page that did not load shows as what the probes read of it.
    }
    loaded->succeed();
}

} // namespace

HostedWhatsAppSession::HostedWhatsAppSession(Parts parts)
    : page_(std::move(parts.page)),
      defaults_(std::move(parts.defaults)),
      screens_(std::move(parts.screens)),
      desktop_(std::move(parts.desktop)),
      opener_(std::move(parts.opener)),
      userFolder_(std::move(parts.userFolder)),
      linkPicture_(std::move(parts.linkPicture)) {}

PageHost& HostedWhatsAppSession::webView() {
    if (web_) return *web_;
    page_->setUserAgent(std::string(WhatsAppWeb::userAgent));
    page_->addScriptAtDocumentStart(WhatsAppWeb::alwaysVisibleScript());
    page_->setPageSize(static_cast<int>(pageSize.width), static_cast<int>(pageSize.height));
    page_->onPageEnd([session = weak_from_this()] {
        if (const auto self = session.lock()) self->pageEnded();
    });
    web_ = page_;
    parkPage(web_);
    return *web_;
}

std::unique_ptr<ParkedWindow> HostedWhatsAppSession::makeHostWindow(std::shared_ptr<PageHost> page) {
    auto window = std::make_unique<ParkedWindow>(Rect{{0, 0}, pageSize}, ParkedWindow::titledClosableMiniaturizable,
                                                 ParkedWindow::Backing::buffered, false);
    window->title = std::string(windowTitle);
    window->contentView = std::move(page);
    window->releasedWhenClosed = false;
    window->excludedFromWindowsMenu = true;
    window->collectionBehavior = ParkedWindow::transientIgnoringCycle;
    window->delegate = this;
    // The window lives and dies with the session.
    window->didMove = [this] { reparkIfOnScreen(); };
    return window;
}

void HostedWhatsAppSession::park() {
    webView();
    parkPage(web_);
}

void HostedWhatsAppSession::parkPage(std::shared_ptr<PageHost> page) {
    if (!window_) window_ = makeHostWindow(std::move(page));
    window_->setFrameOrigin(WhatsAppWeb::parkOrigin(screens_->frames(), window_->frame().size));
    window_->orderFrontRegardless();
    removeLinkPicture();
}

void HostedWhatsAppSession::reparkIfOnScreen() {
    if (showingForLinking_ || !window_) return;
    const std::vector<Rect> screens = screens_->frames();
    const Rect& frame = window_->frame();
    if (WhatsAppWeb::isParked(frame.origin, frame.size, screens)) return;
    PlainLog::write("tarvo: whatsapp host was on screen — parking it again");
    window_->setFrameOrigin(WhatsAppWeb::parkOrigin(screens, frame.size));
}

bool HostedWhatsAppSession::windowShouldClose(ParkedWindow&) {
    showingForLinking_ = false;
    park();
    return false;
}

void HostedWhatsAppSession::showForLinking() {
    showingForLinking_ = true;
    linkPictureShown_ = false;
    defaults_->set(Json(true), enabledKey);
    load();
    if (!window_) window_ = makeHostWindow(web_);
    window_->title = std::string(linkingTitle);
    window_->center(screens_->frames());
    desktop_->makeKey(window_->number);
    window_->orderFrontRegardless();
    desktop_->activateIgnoringOtherApps();
}

void HostedWhatsAppSession::load() {
    webView();
    if (pageHasAddress_) return;
    startNavigation();
    PlainLog::write("tarvo: whatsapp web loading — nothing it says is an answer yet");
}

void HostedWhatsAppSession::renavigate(std::string because) {
    if (driving_) return;
    reload(because);
}

std::shared_ptr<OneShotResult<void>> HostedWhatsAppSession::reload(const std::string& because) {
    PlainLog::write("tarvo: whatsapp web re-navigating — " + because);
    return startNavigation();
}

std::shared_ptr<OneShotResult<void>> HostedWhatsAppSession::startNavigation() {
    webView();
    pageHasAddress_ = true;
    ++pageGeneration_;
    navigationStartedAt_ = now();
    settled_.reset();
    auto loaded = std::make_shared<OneShotResult<void>>();
    spawn(navigateTo(web_, std::string(WhatsAppWeb::url), loaded));
    return loaded;
}

void HostedWhatsAppSession::forgetSettled(std::string why) {
    if (!settled_) return;
    settled_.reset();
    PlainLog::write("tarvo: whatsapp web no longer counts as linked — " + why +
                    ". The next question about it asks the page again.");
}

void HostedWhatsAppSession::pageEnded() {
    pageHasAddress_ = false;
    ++pageGeneration_;
    forgetSettled("the browser that held the page ended");
}

std::string HostedWhatsAppSession::describe(const SessionState& state) {
    switch (state.kind()) {
    case SessionState::Kind::needsLink:
        return "needsLink (waiting for a phone to scan the code)";
    case SessionState::Kind::linked:
        return "linked";
    case SessionState::Kind::syncing:
        return "syncing (WhatsApp is downloading this account's messages)";
    case SessionState::Kind::unrecognised:
        break;
    }
    return "unrecognised — " + state.seen();
}

bool HostedWhatsAppSession::enabled() const { return defaults_->isTrue(enabledKey); }

Clock::Instant HostedWhatsAppSession::now() const { return RunLoop::current().clock().now(); }

// A computer whose browser has no screen shows the code as a picture: saved on every probe, so
// that it follows the code as the page renews it, and opened once per showing.
Task<void> HostedWhatsAppSession::showLinkPicture() {
    if (linkPicture_.empty()) co_return;
    std::string picture;
    std::string failure;
    try {
        picture = co_await web_->captureScreenshot(probeLimit);
        AtomicFile::write(linkPicture_, picture);
    } catch (const PageHost::Failure& error) {
        failure = error.what();
    } catch (const std::system_error& error) {
        failure = error.what();
    }
    if (!failure.empty()) {
        PlainLog::write("tarvo: whatsapp web's linking code could not be saved as a picture: " + failure);
        co_return;
    }
    if (std::exchange(linkPictureShown_, true)) co_return;
    PlainLog::write("tarvo: whatsapp web shows its linking code in " + linkPicture_.string() +
                    " — scan it with your phone");
    opener_->open(linkPicture_.string());
}

void HostedWhatsAppSession::removeLinkPicture() const {
    if (linkPicture_.empty()) return;
    try {
        FileCalls::unlink(linkPicture_);
    } catch (const std::system_error&) {
        // Nothing was there.
    }
}

} // namespace tarvo
