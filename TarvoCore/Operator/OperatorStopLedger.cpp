#include "TarvoCore/Operator/OperatorStopLedger.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tarvo {
namespace {

using Entry = OperatorStopLedger::Entry;
using Seconds = std::chrono::duration<double>;

// A date beyond what the clock's ticks can hold was never written by us, and converting it
// would overflow.
std::optional<OperatorStopLedger::Date> dateFrom(double secondsSince1970) {
    const double limit = Seconds(OperatorStopLedger::Date::duration::max()).count();
    if (!std::isfinite(secondsSince1970) || std::abs(secondsSince1970) >= limit) return std::nullopt;
    return OperatorStopLedger::Date(std::chrono::round<OperatorStopLedger::Date::duration>(Seconds(secondsSince1970)));
}

std::optional<Entry> entryFrom(const Json& stored) {
    if (!stored.is_object()) return std::nullopt;
    const auto runId = stored.find("runId");
    const auto by = stored.find("by");
    const auto at = stored.find("at");
    if (runId == stored.end() || !runId->is_string() || runId->get_ref<const std::string&>().empty()) return std::nullopt;
    if (by == stored.end() || !by->is_string()) return std::nullopt;
    if (at == stored.end() || !at->is_number()) return std::nullopt;
    const auto date = dateFrom(at->get<double>());
    if (!date) return std::nullopt;
    const auto reported = stored.find("reported");
    return Entry{runId->get<std::string>(), by->get<std::string>(), *date,
                 reported != stored.end() && reported->is_boolean() && reported->get<bool>()};
}

Json storedForm(const Entry& entry) {
    Json stored = Json::object();
    stored["runId"] = entry.runId;
    stored["by"] = entry.by;
    stored["at"] = Seconds(entry.at.time_since_epoch()).count();
    stored["reported"] = entry.reported;
    return stored;
}

} // namespace

OperatorStopLedger::OperatorStopLedger(SettingsStore& store) : store_(store) {}

std::vector<Entry> OperatorStopLedger::entries() const {
    std::lock_guard guard(lock_);
    return read();
}

std::vector<std::string> OperatorStopLedger::stoppedRunIds() const {
    std::vector<std::string> runIds;
    for (Entry& entry : entries()) runIds.push_back(std::move(entry.runId));
    return runIds;
}

std::vector<Entry> OperatorStopLedger::unreported() const {
    std::vector<Entry> waiting = entries();
    std::erase_if(waiting, [](const Entry& entry) { return entry.reported; });
    return waiting;
}

void OperatorStopLedger::record(std::string_view runId, std::string_view by, Date at) {
    if (runId.empty()) return;
    std::lock_guard guard(lock_);
    std::vector<Entry> entries = read();
    if (std::ranges::any_of(entries, [&](const Entry& entry) { return entry.runId == runId; })) return;
    const bool known = std::ranges::find(byValues, by) != byValues.end();
    entries.push_back(Entry{std::string(runId), std::string(known ? by : "conditions"), at, false});
    write(std::move(entries));
}

void OperatorStopLedger::markReported(std::string_view runId) {
    std::lock_guard guard(lock_);
    std::vector<Entry> entries = read();
    const auto found = std::ranges::find(entries, runId, &Entry::runId);
    if (found == entries.end()) return;
    found->reported = true;
    write(std::move(entries));
}

// A stored element that is not a readable entry is skipped alone; the others still count.
std::vector<Entry> OperatorStopLedger::read() const {
    std::vector<Entry> entries;
    const auto stored = store_.object(key);
    if (!stored || !stored->is_array()) return entries;
    for (const Json& element : *stored) {
        if (auto entry = entryFrom(element)) entries.push_back(std::move(*entry));
    }
    return entries;
}

// Unreported stops are dropped only when every kept entry is unreported.
void OperatorStopLedger::write(std::vector<Entry> entries) {
    std::ranges::stable_sort(entries, {}, &Entry::at);
    while (entries.size() > keep) {
        const auto reported = std::ranges::find_if(entries, &Entry::reported);
        entries.erase(reported != entries.end() ? reported : entries.begin());
    }
    Json stored = Json::array();
    for (const Entry& entry : entries) stored.push_back(storedForm(entry));
    store_.set(std::move(stored), key);
}

} // namespace tarvo
