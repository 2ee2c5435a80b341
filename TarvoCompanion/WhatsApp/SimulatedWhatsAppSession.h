#pragma once

#include <optional>
#include <string>
#include <vector>

#include "TarvoCompanion/WhatsApp/WhatsAppSession.h"

namespace tarvo {

// A WhatsApp session with no page behind it, for tests and for a computer where nothing hosts
// WhatsApp Web: it reads whatever state it was last given, a page never linked by default,
// answers every send with the outcome it was last given, a plain refusal by default, and has
// nothing to show for linking.
class SimulatedWhatsAppSession final : public WhatsAppSession {
public:
    struct Send {
        std::string conversationRef;
        std::string body;
        std::vector<OutgoingFile> files;
        std::optional<std::string> name;
        bool operator==(const Send&) const = default;
    };

    static inline const std::string noPageReason =
        "WhatsApp Web is not running on this computer, so nothing was sent.";

    explicit SimulatedWhatsAppSession(std::optional<SessionState> settled = SessionState::needsLink());

    Task<SessionState> settledState() override;
    std::optional<SessionState> settledStateIfKnown() override;
    Task<SessionState> refreshState() override;
    void reparkIfOnScreen() override {}
    // There is no page to scan a code from: it only says so.
    void showForLinking() override;
    bool showingForLinking() const override { return false; }
    void setShowingForLinking(bool) override {}
    void park() override {}
    Task<SendOutcome> send(std::string conversationRef, std::string body, std::vector<OutgoingFile> files,
                           std::optional<std::string> name) override;

    // What the session reads from now on; nothing stands for a page that has not settled yet.
    void settle(std::optional<SessionState> state) { settled_ = std::move(state); }
    // How many times a caller waited for the page to settle, read it once, asked to link.
    int settleWaits() const { return settleWaits_; }
    int refreshes() const { return refreshes_; }
    int linkingAsks() const { return linkingAsks_; }

    // What every send answers from now on.
    void answerSends(SendOutcome outcome) { sendOutcome_ = std::move(outcome); }
    // Every send asked for, in order.
    const std::vector<Send>& sends() const { return sends_; }

private:
    std::optional<SessionState> settled_;
    int settleWaits_ = 0;
    int refreshes_ = 0;
    int linkingAsks_ = 0;
    SendOutcome sendOutcome_{false, noPageReason};
    std::vector<Send> sends_;
};

} // namespace tarvo
