#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "TarvoBase/InstallId.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCore/Operator/MacIdentityWire.h"

namespace tarvo {
namespace {

using ChannelIds = std::map<std::string, std::string>;

struct ChannelIdRow {
    std::string_view kind;
    std::string_view key;
    std::optional<std::string> CompanionSettings::*field;
};

constexpr ChannelIdRow channelIdTable[] = {
    {"imessage", CompanionSettings::imessageChannelIdKey, &CompanionSettings::imessageChannelId},
    {"sms", CompanionSettings::smsChannelIdKey, &CompanionSettings::smsChannelId},
    {"whatsapp", CompanionSettings::whatsappChannelIdKey, &CompanionSettings::whatsappChannelId},
};

std::string joined(const std::vector<std::string>& kinds) { return fmt::format("{}", fmt::join(kinds, ", ")); }

// The service's counts are outside input: a negative count reads as none, and a total past the
// largest integer stays at it.
std::int64_t countOf(std::optional<std::int64_t> count) { return std::max<std::int64_t>(count.value_or(0), 0); }

std::int64_t saturatingSum(std::int64_t a, std::int64_t b) {
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    return a > largest - b ? largest : a + b;
}

void showWaiting(BadgeIndicator& badge, ArrivalNotifier& arrivals, std::int64_t needsYou, std::int64_t followUps) {
    const std::int64_t total = saturatingSum(needsYou, followUps);
    const std::optional<std::string> shown = badge.label();
    std::optional<std::string> label;
    if (total >= 1) label = std::to_string(total);
    if (label != shown) {
        PlainLog::write(fmt::format("tarvo: dock badge {} -> {} ({} waiting, {} follow-ups)", shown.value_or("none"),
                                    label.value_or("none"), needsYou, followUps));
    }
    badge.setLabel(std::move(label));
    arrivals.heard(total);
}

// Ids are only ever learned: a kind the answer leaves out keeps the id it had.
void learnChannelIds(SettingsStore& defaults, CompanionSettings& settings, const ChannelIds& ids) {
    std::vector<std::string> learned;
    for (const ChannelIdRow& row : channelIdTable) {
        const auto named = ids.find(std::string(row.kind));
        if (named == ids.end()) continue;
        const std::optional<Json> stored = defaults.object(row.key);
        if (!stored || !stored->is_string() || stored->get_ref<const std::string&>() != named->second) {
            defaults.set(Json(named->second), row.key);
            learned.emplace_back(row.kind);
        }
        settings.*row.field = named->second;
    }
    if (!learned.empty()) PlainLog::write("tarvo: learned channel ids for " + joined(learned));
}

// An answer naming no ids at all says nothing about which channels are connected.
std::vector<std::string> unconnectedChannels(const ChannelIds& ids, const std::vector<std::string>& advertised,
                                             const std::optional<std::vector<std::string>>& unmatched) {
    if (ids.empty()) {
        if (!advertised.empty()) {
            PlainLog::write("tarvo: heartbeat named no channel ids while advertising " + joined(advertised) +
                            " — leaving the previous state alone rather than reporting every channel as dropped");
        }
        return {};
    }
    std::vector<std::string> unconnected;
    std::copy_if(advertised.begin(), advertised.end(), std::back_inserter(unconnected),
                 [&ids](const std::string& kind) { return !ids.contains(kind); });
    if (!unconnected.empty()) {
        std::string line = "tarvo: advertising " + joined(unconnected) +
                           " with no connected channel on this account — those messages are being dropped. "
                           "Connect it in Settings.";
        if (unmatched && !unmatched->empty()) line += " The account has no row at all for " + joined(*unmatched) + ".";
        PlainLog::write(line);
    }
    return unconnected;
}

} // namespace

Task<void> Companion::heartbeat() {
    const std::shared_ptr<BrainClient> client = this->client();
    if (!client) {
        const std::string line = "tarvo: heartbeat skipped — " + signInNextStep().value_or("not signed in");
        if (heartbeatSkipLine_.isNew(line)) PlainLog::error(line);
        co_return;
    }
    heartbeatSkipLine_.reset();
    std::vector<std::string> advertised = state_.advertisableChannels();
    std::optional<HeartbeatResponse> answer;
    try {
        std::optional<std::string> blockedReason = state_.heartbeatBlockedReason();
        std::optional<Json> capture;
        if (lastCapture_) capture = lastCapture_->wire();
        std::optional<Json> operatorCaps = operatorPermissions_->currentWire();
        Json device = MacIdentityWire::fields(InstallId::current(*defaults_), operatorPermissions_->hardware());
        std::optional<Json> chatDb = chatDbReport_.wire(loop_.clock().date());
        Task<HeartbeatResponse> sent =
            client->heartbeat(advertised, std::move(blockedReason), std::move(capture), std::move(operatorCaps),
                              std::move(device), true, std::move(chatDb));
        answer = co_await std::move(sent);
    } catch (...) {
        note(std::current_exception(), "heartbeat");
        co_return;
    }
    applyHeartbeat(*answer, advertised);
}

void Companion::applyHeartbeat(const HeartbeatResponse& answer, const std::vector<std::string>& advertised) {
    if (answer.nudge) arrivals_->post(*answer.nudge);
    operatorPermissions_->permissionMode =
        answer.macPermissionMode ? macPermissionMode(*answer.macPermissionMode) : std::nullopt;
    if (answer.needsYou || answer.followUpCount) {
        showWaiting(*badge_, *arrivals_, countOf(answer.needsYou), countOf(answer.followUpCount));
    }
    const ChannelIds ids = answer.channelIds.value_or(ChannelIds{});
    learnChannelIds(*defaults_, settings_, ids);
    state_.unconnectedChannels = unconnectedChannels(ids, advertised, answer.unmatched);
    state_.lastHeartbeatAt = loop_.clock().date();
    PlainLog::write("tarvo: heartbeat ok, advertising " + (advertised.empty() ? "nothing" : joined(advertised)));
}

} // namespace tarvo
