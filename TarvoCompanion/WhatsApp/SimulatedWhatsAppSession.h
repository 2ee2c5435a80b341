#pragma once

#include <optional>

#include "TarvoCompanion/WhatsApp/WhatsAppSession.h"

namespace tarvo {

// A WhatsApp session with no page behind it, for tests and for a computer where nothing hosts
// WhatsApp Web: it reads whatever state it was last given, a page never linked by default.
class SimulatedWhatsAppSession final : public WhatsAppSession {
public:
    explicit SimulatedWhatsAppSession(std::optional<SessionState> settled = SessionState::needsLink());

    Task<SessionState> settledState() override;
    std::optional<SessionState> settledStateIfKnown() override;
    void reparkIfOnScreen() override {}

    // What the session reads from now on; nothing stands for a page that has not settled yet.
    void settle(std::optional<SessionState> state) { settled_ = std::move(state); }
    // How many times a caller waited for the page to settle.
    int settleWaits() const { return settleWaits_; }

private:
    std::optional<SessionState> settled_;
    int settleWaits_ = 0;
};

} // namespace tarvo
