#pragma once

#include <string>

namespace tarvo::WhatsAppWeb {

// Where the WhatsApp Web page stands, as its session probe reads it.
class SessionState {
public:
    enum class Kind { unrecognised, needsLink, linked, syncing };

    // The page is in none of the other states; `seen` says what was there, for logs and reasons.
    static SessionState unrecognised(std::string seen) { return SessionState(Kind::unrecognised, std::move(seen)); }
    // The page shows the linking code for a phone to scan.
    static SessionState needsLink() { return SessionState(Kind::needsLink, {}); }
    // The chat list is on the page: the session is in use.
    static SessionState linked() { return SessionState(Kind::linked, {}); }
    // The page is loading or downloading the account's messages, or was just taken back.
    static SessionState syncing() { return SessionState(Kind::syncing, {}); }

    Kind kind() const { return kind_; }
    // What an `unrecognised` page showed; empty for the other kinds.
    const std::string& seen() const { return seen_; }

    bool operator==(const SessionState&) const = default;

private:
    SessionState(Kind kind, std::string seen) : kind_(kind), seen_(std::move(seen)) {}

    Kind kind_;
    std::string seen_;
};

} // namespace tarvo::WhatsAppWeb
