#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoCore/Geometry/Point.h"
#include "TarvoCore/Geometry/Rect.h"
#include "TarvoCore/Geometry/Size.h"
#include "TarvoCore/WhatsApp/MediaSendOutcome.h"
#include "TarvoCore/WhatsApp/OpenOutcome.h"
#include "TarvoCore/WhatsApp/OutgoingFile.h"
#include "TarvoCore/WhatsApp/SendOutcome.h"
#include "TarvoCore/WhatsApp/SenderIdentity.h"
#include "TarvoCore/WhatsApp/SessionState.h"

// The page model of WhatsApp Web: where it lives, how its host window is kept off screen, and
// rules over what its scripts answer. Nothing here keeps state.
namespace tarvo::WhatsAppWeb {

// The page's address.
constexpr std::string_view url = "https://web.whatsapp.com/";
// The browser the page is told it runs in.
constexpr std::string_view userAgent = "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, "
                                       "like Gecko) Version/18.0 Safari/605.1.15";
// Between two probes while waiting for the page to settle.
constexpr std::chrono::duration<double> settlePollInterval{1.0};
// How long one wait for a settled page lasts.
constexpr std::chrono::duration<double> settleDeadline{40.0};
// How long after its navigation a page that never became WhatsApp is loaded again.
constexpr std::chrono::duration<double> renavigateAfter{180.0};
// The longest a capture script may run before its pass is given up.
constexpr std::chrono::duration<double> captureDeadline{180.0};

// Whether the page is worth loading again: only one that never became WhatsApp, and only once
// `renavigateAfter` has passed since it was loaded.
bool shouldRenavigate(const SessionState& lastObservation, std::chrono::duration<double> sinceNavigation);

// Where the host window's lower-left corner goes so that no part of it is on any screen: beyond
// the smallest x and the smallest y of all screens, 1000 points clear.
Point parkOrigin(const std::vector<Rect>& screenFrames, Size size);
// Whether the window at `origin` shares no area with any screen.
bool isParked(Point origin, Size size, const std::vector<Rect>& screenFrames);

// The session probe: an expression whose value is one JSON text saying where the page stands. A
// page evicted by a session elsewhere is taken back by pressing its "use here" control.
std::string sessionProbeScript();
// The script given to the page at document start, in every frame: the page believes it is always
// visible and focused, and its own listeners never hear that it was hidden or lost the focus.
std::string alwaysVisibleScript();
// The probe's answer as a state; an answer it cannot read is an `unrecognised` state, never an error.
SessionState readSessionState(std::string_view text);

// The largest file WhatsApp Web takes from this computer.
constexpr std::int64_t outgoingMediaCapBytes = 16 * 1024 * 1024;

// Whether this computer names WhatsApp among the channels it serves. A linked page is served and
// a page showing its linking code is not; for anything in between (still loading, syncing, not
// readable) the stored latch of a session this computer hosts decides, because a heartbeat that
// left the channel out would suspend it.
bool shouldAdvertise(const std::optional<SessionState>& settled, bool hostsLinkedSession);

// The sentence refusing a file over the cap, its size in whole MB rounded up; nothing for a file
// that fits.
std::optional<std::string> outgoingMediaRefusal(std::int64_t sizeBytes, std::string_view mimeType);

// The media type without its parameters, or "file" when there is none.
std::string describedType(std::string_view mimeType);

// The body of an async function that hands one file to the open conversation through WhatsApp's
// own attach menu and editor, and answers one JSON text: the stage it reached and, when the file
// did not go, why. It takes the arguments of `attachmentArguments`.
std::string attachmentScript();
// The attachment script's arguments: the bytes as standard base64 without line breaks, the name
// made safe as for any outgoing file, the type without its parameters.
Json attachmentArguments(const OutgoingFile& file);
// The attachment script's answer; one that cannot be read is a failure saying so.
constexpr std::string_view couldNotTellWhetherTaken =
    "Tarvo could not tell whether WhatsApp Web took that file. Nothing is assumed.";
MediaSendOutcome readMediaSendOutcome(std::string_view text);
// The sentence for the person when file `index` (from 1) of `count` did not go.
std::string mediaFailureSentence(int index, int count, const std::optional<std::string>& reason);
// Bodies of async functions answering a text for the log: what the composer offers for attaching
// (it opens the attach menu to see), and what the page shows after a file was handed over.
std::string composerReportScript();
std::string afterHandoverReportScript();
// The body of an async function that tells whether the file the attachment script last pressed
// send for has left the page, by that script's own look: one JSON text, `gone` and whether the
// page still knew (`known`).
std::string mediaGoneScript();

// What a script of the send may take, each above the sum of the script's own bounded waits, so
// that a script that answers within them is never cut short.
constexpr std::chrono::seconds openScriptLimit{60};
constexpr std::chrono::seconds sendScriptLimit{30};
constexpr std::chrono::seconds attachmentScriptLimit{120};
constexpr std::chrono::seconds composerReportLimit{30};
constexpr std::chrono::seconds afterHandoverReportLimit{10};
constexpr std::chrono::seconds mediaGoneLimit{30};

// The text made safe inside a double-quoted script string literal, reading the same there.
std::string escapeJS(std::string_view text);

// The body of an async function that opens the conversation `conversationRef` and answers one JSON
// text. The chat is chosen only by its ref; `name` is typed into the search box when the ref is not
// in the chat list.
std::string openConversationScript(std::string_view conversationRef, const std::optional<std::string>& name);
// The open script's answer as an outcome; nothing when there is no answer or it is no JSON object.
std::optional<OpenOutcome> parseOpenOutcome(const std::optional<std::string>& text);
// One line on the name search of an open, nothing when none was tried.
std::optional<std::string> searchSummary(const Json& searched);
// The sentence for the person whose reply was not sent because the conversation did not open.
std::string openFailureSentence(std::string_view reason, std::optional<std::int64_t> walked,
                                std::optional<bool> sameNumber, std::optional<bool> anyFiber,
                                const std::optional<std::string>& searched);

// The body of an async function that types `body` into the open conversation, sends it and
// answers one JSON text.
std::string sendScript(std::string_view body);
// The text-send script's answer; one that cannot be read is a failure with its own sentence.
SendOutcome readSendOutcome(std::string_view text);

// What ends the ref of every group conversation: its at sign and the group server's name.
constexpr std::string_view groupSuffix = "@g.us";

// The link that opens a personal chat by its phone number, nothing for groups, linked identities
// and refs with fewer than 5 digits.
std::optional<std::string> conversationURL(std::string_view ref);
// The phone number of a personal chat, as the link carries it.
std::optional<std::string> senderPhone(std::string_view ref);
// Who wrote a message: the author's number, else the author's own ref, else (no author, or a group
// as author) the number of the conversation.
std::optional<SenderIdentity> senderIdentity(const std::optional<std::string>& authorRef,
                                             std::string_view conversationRef);

} // namespace tarvo::WhatsAppWeb
