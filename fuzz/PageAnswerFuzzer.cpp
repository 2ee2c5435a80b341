#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoCore/WhatsApp/CapturedMessages.h"
#include "TarvoCore/WhatsApp/Stage.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

// What the page scripts answer, one reader chosen by the first byte: the capture script's report,
// the session probe, the open-conversation script and the text-send script. A hostile or changed
// page writes these.
//
// No reader throws. An answer that cannot be read is never taken for success: a report without a
// stage it names is a failed stage with no messages, and a probe, an open or a send is linked or
// ok only when the answer says so in as many words. A message read carries the ids it is filed
// under.
namespace {

using namespace tarvo;
using namespace tarvo::WhatsAppWeb;
using fuzz::require;

std::optional<Json> objectOf(std::string_view text) {
    auto json = JsonReader::parse(text);
    if (!json || !json->is_object()) return std::nullopt;
    return json;
}

// The member's text, when the answer is an object that has one.
std::optional<std::string> textOf(const std::optional<Json>& answer, const char* key) {
    if (!answer) return std::nullopt;
    const auto found = answer->find(key);
    if (found == answer->end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

bool saysTrue(const std::optional<Json>& answer, const char* key) {
    if (!answer) return false;
    const auto found = answer->find(key);
    return found != answer->end() && found->is_boolean() && found->get<bool>();
}

void captureReport(std::string_view text) {
    const auto now = std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
    const ReadResult result = readMessages(text, now);
    const auto answer = objectOf(text);
    const auto stage = textOf(answer, "stage");
    require(result.stage == (stage ? stageFromName(*stage) : std::nullopt));
    if (!answer) require(result.messages.empty() && result.note);
    if (!result.stage) require(result.summary().starts_with("stage: unreadable answer"));
    for (const Message& message : result.messages) {
        require(!message.externalId.empty() && !message.conversationRef.empty());
        for (const auto& file : message.attachments) require(file.sizeBytes >= 0);
    }
}

void sessionProbe(std::string_view text) {
    const SessionState state = readSessionState(text);
    const auto said = textOf(objectOf(text), "state");
    if (state.kind() == SessionState::Kind::linked) require(said == "linked");
    if (state.kind() == SessionState::Kind::needsLink) require(said == "needsLink");
    if (state.kind() == SessionState::Kind::syncing) require(said == "syncing");
    static_cast<void>(shouldAdvertise(state, false));
}

void openOutcome(std::string_view text) {
    const auto outcome = parseOpenOutcome(std::string(text));
    const auto answer = objectOf(text);
    require(outcome.has_value() == answer.has_value());
    if (!outcome) return;
    require(outcome->ok == saysTrue(answer, "ok"));
    static_cast<void>(openFailureSentence(outcome->reason, outcome->walked, outcome->sameNumber, outcome->anyFiber,
                                          outcome->searched));
}

void sendOutcome(std::string_view text) {
    const SendOutcome outcome = readSendOutcome(text);
    require(outcome.ok == saysTrue(objectOf(text), "ok"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto text = fuzz::text(data + 1, size - 1);
    try {
        switch (data[0] % 4) {
        case 0: captureReport(text); break;
        case 1: sessionProbe(text); break;
        case 2: openOutcome(text); break;
        case 3: sendOutcome(text); break;
        }
    } catch (...) {
        // A foreign error would leave the pass, and the page, in a state nobody decided.
        require(false);
    }
    return 0;
}
