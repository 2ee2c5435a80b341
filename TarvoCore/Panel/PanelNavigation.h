#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "TarvoCore/Panel/PanelRoute.h"
#include "TarvoCore/Panel/WebAddress.h"
#include "TarvoCore/Ports/Opener.h"

namespace tarvo {

// Decides every navigation of the panel's web view, on the main loop, and tells the companion
// when the page asks for a sign-in, reports a lapsed session or a sign-out.
class PanelNavigation {
public:
    using Callback = std::function<void()>;

    // What the web view does with the navigation. The two "cancel and download" answers fetch the
    // address as a file instead (asking for "text/html,application/xhtml+xml"), the second opening
    // it once saved.
    enum class Answer { cancel, allow, download, cancelAndDownload, cancelAndDownloadToOpen };

    struct Action {
        // The address of the navigation's request; empty when it has none.
        std::string url;
        // The address of the page shown now; its host says whether it came from the network.
        std::optional<std::string> shownPage;
        PanelRoute::Frame frame = PanelRoute::Frame::main;
        // A link with a download attribute.
        bool shouldPerformDownload = false;
    };
    using DecisionHandler = std::function<void(Answer)>;

    // `home` is the panel's first page; addresses of other sites go to `browser`.
    PanelNavigation(WebAddress home, Callback onSignIn, Callback onSessionLapsed, Callback onSignedOut,
                    std::shared_ptr<Opener> browser);

    // Answers through `decisionHandler` before calling any of the callbacks.
    void decidePolicy(const Action& action, const DecisionHandler& decisionHandler);

    const WebAddress& home() const { return home_; }

private:
    void followPanelLink(const Action& action, const DecisionHandler& decisionHandler);

    WebAddress home_;
    Callback onSignIn_;
    Callback onSessionLapsed_;
    Callback onSignedOut_;
    std::shared_ptr<Opener> browser_;
};

} // namespace tarvo
