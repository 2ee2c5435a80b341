#pragma once

#include <optional>
#include <set>
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
    Task<ReadResult> readNew() override;
    std::set<std::string> reopenNextPass(const IngestPass& pass) override;
    const std::string& peekLine() const override { return peekLine_; }
    WhatsAppWeb::SentMessages& sent() override { return sent_; }

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

    // What every read answers from now on, and the peek line after it; nothing read by default.
    void answerReads(ReadResult result, std::string peekLine = "") {
        read_ = std::move(result);
        peekLine_ = std::move(peekLine);
    }
    // What every `reopenNextPass` answers from now on.
    void reopen(std::set<std::string> chats) { reopen_ = std::move(chats); }
    int reads() const { return reads_; }
    // The ids posted, failed and not tried of each tally handed back, in order.
    struct Tally {
        std::vector<std::string> posted;
        std::vector<std::string> failed;
        std::vector<std::string> notTried;
        bool operator==(const Tally&) const = default;
    };
    const std::vector<Tally>& tallies() const { return tallies_; }

private:
    static ReadResult nothingRead();

    std::optional<SessionState> settled_;
    int settleWaits_ = 0;
    int refreshes_ = 0;
    int linkingAsks_ = 0;
    SendOutcome sendOutcome_{false, noPageReason};
    std::vector<Send> sends_;
    ReadResult read_ = nothingRead();
    std::string peekLine_;
    std::set<std::string> reopen_;
    int reads_ = 0;
    std::vector<Tally> tallies_;
    WhatsAppWeb::SentMessages sent_;
};

} // namespace tarvo
