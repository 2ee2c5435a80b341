#include <fmt/format.h>

#include "TarvoBase/JsonReader.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

// Opening a conversation and typing into it: the records the scripts' answers become, the
// sentences for a failed open, and what a conversation's ref says about its phone number.
namespace tarvo::WhatsAppWeb {
namespace {

// WhatsApp's server suffixes of a ref, after its at sign.
constexpr std::string_view personalSuffix = "c.us";
constexpr std::string_view phoneProtocolPersonalSuffix = "s.whatsapp.net";

constexpr std::size_t fewestPhoneDigits = 5;

// Both end a line inside a script literal in engines older than ES2019.
constexpr std::string_view lineSeparator = "\u2028";
constexpr std::string_view paragraphSeparator = "\u2029";

std::optional<bool> optionalBool(const Json& object, std::string_view key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_boolean()) return std::nullopt;
    return found->get<bool>();
}

std::optional<std::int64_t> optionalInt(const Json& value) {
    if (!value.is_number()) return std::nullopt;
    try {
        return JsonReader::asInt64(value, "");
    } catch (const JsonReadError&) {
        return std::nullopt;
    }
}

std::optional<std::int64_t> optionalInt(const Json& object, std::string_view key) {
    const auto found = object.find(key);
    return found == object.end() ? std::nullopt : optionalInt(*found);
}

std::optional<std::map<std::string, std::int64_t>> countsByStrategy(const Json& object) {
    const auto found = object.find("how");
    if (found == object.end() || !found->is_object()) return std::nullopt;
    std::map<std::string, std::int64_t> how;
    for (const auto& [strategy, count] : found->items()) {
        const std::optional<std::int64_t> rows = optionalInt(count);
        if (!rows) return std::nullopt;
        how.emplace(strategy, *rows);
    }
    return how;
}

// The phone number of a personal chat's ref, in ASCII digits: the local part of a ref with an at
// sign, or every decimal digit of a number written without one.
std::optional<std::string> phoneDigits(std::string_view ref) {
    std::string digits;
    const auto at = ref.find('@');
    if (at != std::string_view::npos) {
        const std::string_view suffix = ref.substr(at + 1);
        if (suffix != personalSuffix && suffix != phoneProtocolPersonalSuffix) return std::nullopt;
        const std::string_view local = ref.substr(0, at);
        digits = Text::decimalDigits(local);
        if (local.empty() || digits.size() != Text::graphemeCount(local)) return std::nullopt;
    } else {
        digits = Text::decimalDigits(ref);
    }
    if (digits.size() < fewestPhoneDigits) return std::nullopt;
    return digits;
}

} // namespace

std::string escapeJS(std::string_view text) {
    // Well-formed UTF-8 is self-synchronising: a byte-wise walk finds each scalar to replace and
    // never a piece of another.
    const std::string scalars = Text::wellFormed(text);
    std::string escaped;
    escaped.reserve(scalars.size());
    for (std::size_t i = 0; i < scalars.size(); ++i) {
        const std::string_view rest = std::string_view(scalars).substr(i);
        if (rest.starts_with(lineSeparator) || rest.starts_with(paragraphSeparator)) {
            escaped += rest.starts_with(lineSeparator) ? "\\u2028" : "\\u2029";
            i += lineSeparator.size() - 1;
            continue;
        }
        switch (scalars[i]) {
        case '\n': escaped += "\\n"; break;
        case '\r': break;
        case '"': escaped += "\\\""; break;
        case '\'': escaped += "\\'"; break;
        case '\\': escaped += "\\\\"; break;
        default: escaped += scalars[i];
        }
    }
    return escaped;
}

std::optional<OpenOutcome> parseOpenOutcome(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    const std::optional<Json> answer = JsonReader::parse(*text);
    if (!answer || !answer->is_object()) return std::nullopt;
    const auto reason = answer->find("reason");
    const auto searched = answer->find("searched");
    return OpenOutcome{
        .ok = optionalBool(*answer, "ok").value_or(false),
        .reason = reason != answer->end() && reason->is_string() ? reason->get<std::string>() : std::string(),
        .alreadyOpen = optionalBool(*answer, "alreadyOpen").value_or(false),
        .walked = optionalInt(*answer, "walked"),
        .sameNumber = optionalBool(*answer, "sameNumber"),
        .anyFiber = optionalBool(*answer, "anyFiber"),
        .how = countsByStrategy(*answer),
        .searched = searched == answer->end() ? std::nullopt : searchSummary(*searched),
    };
}

std::optional<std::string> searchSummary(const Json& searched) {
    if (!searched.is_object() || optionalBool(searched, "tried") != true) return std::nullopt;
    if (optionalBool(searched, "box") != true) return "searched by name: no search box found";
    return fmt::format("searched by name: {} results, none of them this chat", optionalInt(searched, "rows").value_or(0));
}

std::string openFailureSentence(std::string_view reason, std::optional<std::int64_t> walked,
                                std::optional<bool> sameNumber, std::optional<bool> anyFiber,
                                const std::optional<std::string>& searched) {
    if (reason == "not_in_list") {
        if (!walked)
            return "That WhatsApp conversation is not in the chat list on this Mac, so Tarvo sent nothing. Open it "
                   "once in WhatsApp and try again.";
        if (sameNumber == true)
            return fmt::format("Tarvo found that conversation on this Mac but WhatsApp has given it a new internal id, "
                               "so it did not send. Open it once in WhatsApp and try again — Tarvo will relearn it. "
                               "(looked at {} conversations)",
                               *walked);
        if (*walked == 0 && anyFiber == false)
            return "Tarvo could not read WhatsApp Web's chat list on this Mac — the page has changed in a way this "
                   "build does not understand, so it sent nothing rather than risk the wrong conversation. This needs "
                   "a Tarvo update, not anything from you.";
        if (*walked == 0)
            return "Tarvo could not tell which conversation any row in the chat list belongs to, so it sent nothing "
                   "rather than risk the wrong one. This needs a Tarvo update, not anything from you.";
        return fmt::format("That WhatsApp conversation is not in the chat list on this Mac, so Tarvo sent nothing. "
                           "Open it once in WhatsApp and try again. (looked at {} conversations{})",
                           *walked, searched ? "; " + *searched : std::string());
    }
    if (reason == "no_chat_list")
        return "Tarvo could not read the WhatsApp chat list on this Mac, so it sent nothing. Check WhatsApp is still "
               "linked in Settings.";
    if (reason == "opened_the_wrong_chat")
        return "Tarvo opened the wrong WhatsApp conversation and stopped rather than send your reply to the wrong "
               "people. Nothing was sent. Try again.";
    return "Tarvo could not open that WhatsApp conversation on this Mac, so it sent nothing. Open it in WhatsApp and "
           "try again.";
}

SendOutcome readSendOutcome(std::string_view text) {
    const std::optional<Json> answer = JsonReader::parse(text);
    const std::optional<bool> ok = answer && answer->is_object() ? optionalBool(*answer, "ok") : std::nullopt;
    if (!ok) return {false, "Tarvo could not tell whether WhatsApp Web sent that. Nothing is assumed."};
    const auto reason = answer->find("reason");
    if (reason == answer->end() || !reason->is_string()) return {*ok, std::nullopt};
    return {*ok, reason->get<std::string>()};
}

std::optional<std::string> conversationURL(std::string_view ref) {
    const std::optional<std::string> digits = phoneDigits(ref);
    if (!digits) return std::nullopt;
    return fmt::format("{}send?phone={}", url, *digits);
}

std::optional<std::string> senderPhone(std::string_view ref) { return phoneDigits(ref); }

std::optional<SenderIdentity> senderIdentity(const std::optional<std::string>& authorRef,
                                             std::string_view conversationRef) {
    if (authorRef && !authorRef->empty()) {
        if (const std::optional<std::string> phone = senderPhone(*authorRef)) return SenderIdentity{*phone, "phone"};
        if (!authorRef->ends_with(groupSuffix)) return SenderIdentity{*authorRef, "whatsapp"};
    }
    if (const std::optional<std::string> phone = senderPhone(conversationRef)) return SenderIdentity{*phone, "phone"};
    return std::nullopt;
}

} // namespace tarvo::WhatsAppWeb
