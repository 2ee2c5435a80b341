#include "TarvoCore/Companion/CompanionState.h"

#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

std::string channelDisplayName(const std::string& kind) {
    if (kind == "imessage") return "iMessage";
    if (kind == "sms") return "SMS";
    if (kind == "whatsapp") return "WhatsApp";
    return kind;
}

std::string joinedAsList(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) list += i + 1 == names.size() ? " and " : ", ";
        list += names[i];
    }
    return list;
}

// "5 minutes ago": the largest whole unit, written out in full, in the past.
std::string relativePhrase(CompanionState::Date date, CompanionState::Date now) {
    using namespace std::chrono;
    const auto seconds = duration_cast<std::chrono::seconds>(now - date).count();
    struct Unit {
        long long seconds;
        URelativeDateTimeUnit unit;
    };
    static constexpr Unit units[] = {
        {365 * 86400LL, UDAT_REL_UNIT_YEAR}, {30 * 86400LL, UDAT_REL_UNIT_MONTH}, {7 * 86400LL, UDAT_REL_UNIT_WEEK},
        {86400, UDAT_REL_UNIT_DAY},          {3600, UDAT_REL_UNIT_HOUR},          {60, UDAT_REL_UNIT_MINUTE},
        {1, UDAT_REL_UNIT_SECOND},
    };
    const long long magnitude = seconds < 0 ? -seconds : seconds;
    Unit chosen = units[6];
    for (const auto& unit : units) {
        if (magnitude >= unit.seconds) {
            chosen = unit;
            break;
        }
    }
    const double count = static_cast<double>(magnitude / chosen.seconds) * (seconds > 0 ? -1 : 1);

    UErrorCode status = U_ZERO_ERROR;
    icu::RelativeDateTimeFormatter formatter(icu::Locale::getEnglish(), nullptr, UDAT_STYLE_LONG,
                                             UDISPCTX_CAPITALIZATION_NONE, status);
    icu::UnicodeString phrase;
    formatter.formatNumeric(count, chosen.unit, phrase, status);
    if (U_FAILURE(status)) return "a while ago";
    std::string text;
    phrase.toUTF8String(text);
    return text;
}

} // namespace

const std::string& CompanionState::SignIn::email() const {
    static const std::string none;
    return email_ ? *email_ : none;
}

// Each channel by its own readiness: a computer that cannot read Messages still relays and
// captures WhatsApp.
std::vector<std::string> CompanionState::advertisableChannels() const {
    if (!signIn.isSignedIn()) return {};
    std::vector<std::string> channels;
    for (const std::string& kind : enabledChannels) {
        const bool needsMessages = kind == "imessage" || kind == "sms";
        if (canReadMessages || !needsMessages) channels.push_back(kind);
    }
    return channels;
}

std::optional<std::string> CompanionState::heartbeatBlockedReason() const {
    const auto& reason = blockedReason ? blockedReason : chatDbBlockedReason;
    if (!reason) return std::nullopt;
    return Text::utf16Prefix(*reason, blockedReasonLimit);
}

std::optional<std::string> CompanionState::unconnectedChannelWarning() const {
    if (!signIn.isSignedIn() || unconnectedChannels.empty()) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& kind : unconnectedChannels) names.push_back(channelDisplayName(kind));
    const bool one = names.size() == 1;
    return joinedAsList(names) + " " + (one ? "is" : "are") +
           " not connected on your account yet, so the messages this Mac reads have nowhere to go. Connect " +
           (one ? "it" : "them") + " in Settings.";
}

std::string CompanionState::summary(Date now) const {
    if (!signIn.isSignedIn()) return "Not signed in";
    if (blockedReason) return *blockedReason;
    if (chatDbBlockedReason) return *chatDbBlockedReason;
    if (auto warning = unconnectedChannelWarning()) return *warning;
    if (canReadMessages && !enabledChannels.empty()) {
        if (!lastCaptureAt) return "Signed in \u2014 no messages read yet";
        return "Last read " + relativePhrase(*lastCaptureAt, now);
    }
    return "No channels switched on";
}

} // namespace tarvo
