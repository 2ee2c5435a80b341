#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/Task.h"
#include "TarvoCore/WhatsApp/IngestPass.h"
#include "TarvoCore/WhatsApp/OutgoingFile.h"
#include "TarvoCore/WhatsApp/ReadResult.h"
#include "TarvoCore/WhatsApp/SendOutcome.h"
#include "TarvoCore/WhatsApp/SentMessages.h"
#include "TarvoCore/WhatsApp/SessionState.h"

namespace tarvo {

// The host of WhatsApp Web: the page in its parked, off-screen view and what it last read of
// the session. It lives on the main loop for the life of the program.
class WhatsAppSession {
public:
    using SessionState = WhatsAppWeb::SessionState;
    using OutgoingFile = WhatsAppWeb::OutgoingFile;
    using SendOutcome = WhatsAppWeb::SendOutcome;
    using ReadResult = WhatsAppWeb::ReadResult;
    using IngestPass = WhatsAppWeb::IngestPass;

    // Boolean setting, written by the session when it reads the page: true once this computer
    // hosts a linked session.
    static constexpr std::string_view hostsSessionKey = "TarvoWhatsappHostsSession";
    // Boolean setting: WhatsApp is on for this computer only while it holds true. Showing the
    // page for linking turns it on; nothing here turns it off.
    static constexpr std::string_view enabledKey = "TarvoWhatsappEnabled";

    virtual ~WhatsAppSession() = default;

    // Loads the page when it is not loaded and waits until the session settles or the settle
    // deadline passes; answers the state it then reads.
    virtual Task<SessionState> settledState() = 0;

    // Never waits: the last settled state, nothing before the first settle, and `needsLink`
    // while WhatsApp is switched off on this computer.
    virtual std::optional<SessionState> settledStateIfKnown() = 0;

    // Reads the page once and publishes what it read; answers at once while WhatsApp is off.
    virtual Task<SessionState> refreshState() = 0;

    // Moves the host's window back off screen unless it is shown for linking.
    virtual void reparkIfOnScreen() = 0;

    // Turns WhatsApp on, loads the page and puts it on screen for the user to scan its code.
    virtual void showForLinking() = 0;
    // Whether the page is on screen for linking; parking it again does not clear this.
    virtual bool showingForLinking() const = 0;
    virtual void setShowingForLinking(bool showing) = 0;
    // Puts the host's window back beyond the edge of every screen.
    virtual void park() = 0;

    // Opens the conversation (`name` helps find it), attaches the files in order, then sends
    // the words; holds the page for the whole send. Never throws: a send that did not happen is
    // an outcome that is not ok.
    virtual Task<SendOutcome> send(std::string conversationRef, std::string body, std::vector<OutgoingFile> files,
                                   std::optional<std::string> name) = 0;

    // One capture pass: reads what is new on the page while holding it, and answers the messages
    // still to post. Never fails: a pass that read nothing says why in the result's note.
    virtual Task<ReadResult> readNew() = 0;
    // After the caller posted what `readNew` answered: the chat keys the next pass reads again.
    // The baseline of the chats whose messages reached the service moves on only here.
    virtual std::set<std::string> reopenNextPass(const IngestPass& pass) = 0;
    // The peek schedule's line after the last answered pass; empty when there is nothing to say.
    virtual const std::string& peekLine() const = 0;
    // The messages already handed to the service, which no later pass posts again.
    virtual WhatsAppWeb::SentMessages& sent() = 0;
};

} // namespace tarvo
