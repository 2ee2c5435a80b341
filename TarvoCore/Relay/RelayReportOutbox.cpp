#include "TarvoCore/Relay/RelayReportOutbox.h"

#include <algorithm>
#include <utility>

#include "TarvoBase/TarvoDate.h"

namespace tarvo {
namespace {

using Entry = RelayReportOutbox::Entry;

std::optional<Entry> entryFrom(const std::string& jobId, const Json& stored) {
    if (!stored.is_object()) return std::nullopt;
    const auto ok = stored.find("ok");
    const auto keptAt = stored.find("keptAt");
    const auto retrying = stored.find("retrying");
    if (ok == stored.end() || !ok->is_boolean() || keptAt == stored.end() || !keptAt->is_string() ||
        retrying == stored.end() || !retrying->is_boolean()) {
        return std::nullopt;
    }
    const std::optional<RelayReportOutbox::Date> date = TarvoDate::parse(keptAt->get<std::string>());
    if (!date) return std::nullopt;
    RelayJobReport report{ok->get<bool>(), std::nullopt};
    if (const auto reason = stored.find("failureReason"); reason != stored.end()) {
        if (!reason->is_string()) return std::nullopt;
        report.failureReason = reason->get<std::string>();
    }
    return Entry{jobId, std::move(report), *date, retrying->get<bool>()};
}

Json stored(const Entry& entry) {
    Json value = Json::object();
    value["ok"] = entry.report.ok;
    if (entry.report.failureReason) value["failureReason"] = *entry.report.failureReason;
    value["keptAt"] = TarvoDate::format(entry.keptAt);
    value["retrying"] = entry.retrying;
    return value;
}

} // namespace

RelayReportOutbox::RelayReportOutbox(std::shared_ptr<SettingsStore> store) : store_(std::move(store)) {}

void RelayReportOutbox::keep(const std::string& jobId, const RelayJobReport& report, Date at) {
    std::vector<Entry> kept = entries();
    std::erase_if(kept, [&](const Entry& entry) { return entry.jobId == jobId; });
    kept.push_back({jobId, report, at, true});
    store(kept);
}

void RelayReportOutbox::setRetrying(const std::string& jobId, bool retrying) {
    std::vector<Entry> kept = entries();
    for (Entry& entry : kept) {
        if (entry.jobId == jobId) entry.retrying = retrying;
    }
    store(kept);
}

void RelayReportOutbox::remove(const std::string& jobId) {
    std::vector<Entry> kept = entries();
    std::erase_if(kept, [&](const Entry& entry) { return entry.jobId == jobId; });
    store(kept);
}

std::optional<Entry> RelayReportOutbox::find(const std::string& jobId) const {
    for (Entry& entry : entries()) {
        if (entry.jobId == jobId) return std::move(entry);
    }
    return std::nullopt;
}

std::vector<Entry> RelayReportOutbox::entries() const {
    std::vector<Entry> kept;
    const std::optional<Json> value = store_->object(key);
    if (!value || !value->is_object()) return kept;
    for (const auto& [jobId, entry] : value->items()) {
        if (std::optional<Entry> read = entryFrom(jobId, entry)) kept.push_back(std::move(*read));
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Entry& a, const Entry& b) { return a.keptAt < b.keptAt; });
    return kept;
}

std::vector<Entry> RelayReportOutbox::expire(Date now) {
    std::vector<Entry> kept = entries();
    std::vector<Entry> expired;
    const auto limit = std::chrono::duration_cast<Date::duration>(retention);
    for (Entry& entry : kept) {
        if (now - entry.keptAt > limit) expired.push_back(entry);
    }
    if (expired.empty()) return expired;
    std::erase_if(kept, [&](const Entry& entry) { return now - entry.keptAt > limit; });
    store(kept);
    return expired;
}

void RelayReportOutbox::store(const std::vector<Entry>& entries) {
    if (entries.empty()) {
        store_->set(std::nullopt, key);
        return;
    }
    Json value = Json::object();
    for (const Entry& entry : entries) value[entry.jobId] = stored(entry);
    store_->set(std::move(value), key);
}

} // namespace tarvo
