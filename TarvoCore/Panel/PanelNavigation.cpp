#include "TarvoCore/Panel/PanelNavigation.h"

#include <utility>

#include "TarvoBase/PlainLog.h"

namespace tarvo {

PanelNavigation::PanelNavigation(WebAddress home, Callback onSignIn, Callback onSessionLapsed, Callback onSignedOut,
                                 std::shared_ptr<Opener> browser)
    : home_(std::move(home)), onSignIn_(std::move(onSignIn)), onSessionLapsed_(std::move(onSessionLapsed)),
      onSignedOut_(std::move(onSignedOut)), browser_(std::move(browser)) {}

void PanelNavigation::decidePolicy(const Action& action, const DecisionHandler& decisionHandler) {
    const auto target = WebAddress::parse(action.url);
    if (!target) {
        decisionHandler(Answer::cancel);
        return;
    }
    if (target->scheme == "tarvo-panel") {
        followPanelLink(action, decisionHandler);
        return;
    }
    if (action.shouldPerformDownload) {
        decisionHandler(Answer::download);
        return;
    }
    switch (PanelRoute::decide(*target, home_, action.frame)) {
    case PanelRoute::Decision::allow:
        decisionHandler(Answer::allow);
        return;
    case PanelRoute::Decision::download:
        decisionHandler(Answer::cancelAndDownload);
        return;
    case PanelRoute::Decision::downloadAndOpen:
        decisionHandler(Answer::cancelAndDownloadToOpen);
        return;
    case PanelRoute::Decision::signedOut:
        decisionHandler(Answer::cancel);
        if (onSignedOut_) onSignedOut_();
        return;
    case PanelRoute::Decision::sessionLapsed:
        decisionHandler(Answer::cancel);
        PlainLog::write("tarvo: the panel's session lapsed — re-minting rather than showing a login form");
        if (onSessionLapsed_) onSessionLapsed_();
        return;
    case PanelRoute::Decision::external:
        decisionHandler(Answer::cancel);
        if (browser_) browser_->open(action.url);
        return;
    case PanelRoute::Decision::refuse:
        decisionHandler(Answer::cancel);
        return;
    }
}

// The sign-in button lives only on the page the companion renders itself, which has no host; the
// same link on a page from the network must not start a pairing.
void PanelNavigation::followPanelLink(const Action& action, const DecisionHandler& decisionHandler) {
    decisionHandler(Answer::cancel);
    const auto shown = action.shownPage ? WebAddress::parse(*action.shownPage) : std::nullopt;
    if (shown && shown->host) {
        PlainLog::write("tarvo: ignoring a tarvo-panel link from a loaded page");
        return;
    }
    PlainLog::write("tarvo: panel sign-in button pressed — starting pairing");
    if (onSignIn_) onSignIn_();
}

} // namespace tarvo
