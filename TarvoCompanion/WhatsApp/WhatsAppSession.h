#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/Task.h"
#include "TarvoCore/WhatsApp/OutgoingFile.h"
#include "TarvoCore/WhatsApp/SendOutcome.h"
#include "TarvoCore/WhatsApp/SessionState.h"

namespace tarvo {

// The host of WhatsApp Web: the page in its parked, off-screen view and what it last read of
// the session. It lives on the main loop for the life of the program.
class WhatsAppSession {
public:
    using SessionState = WhatsAppWeb::SessionState;
    using OutgoingFile = WhatsAppWeb::OutgoingFile;
    using SendOutcome = WhatsAppWeb::SendOutcome;

    // Boolean setting, written by the session when it reads the page: true once this computer
    // hosts a linked session.
    static constexpr std::string_view hostsSessionKey = "TarvoWhatsappHostsSession";

    virtual ~WhatsAppSession() = default;

    // Loads the page when it is not loaded and waits until the session settles or the settle
    // deadline passes; answers the state it then reads.
    virtual Task<SessionState> settledState() = 0;

    // Never waits: the last settled state, nothing before the first settle, and `needsLink`
    // while WhatsApp is switched off on this computer.
    virtual std::optional<SessionState> settledStateIfKnown() = 0;

    // Moves the host's window back off screen unless it is shown for linking.
    virtual void reparkIfOnScreen() = 0;

    // Opens the conversation (`name` helps find it), attaches the files in order, then sends
    // the words; holds the page for the whole send. Never throws: a send that did not happen is
    // an outcome that is not ok.
    virtual Task<SendOutcome> send(std::string conversationRef, std::string body, std::vector<OutgoingFile> files,
                                   std::optional<std::string> name) = 0;
};

} // namespace tarvo
