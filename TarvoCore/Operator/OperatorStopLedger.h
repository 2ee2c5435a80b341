#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/SettingsStore.h"

namespace tarvo {

// Every stop of an operator run on this computer, kept in the settings until the service has
// heard of it, so that a stop made while the service is unreachable, or just before a restart,
// still reaches it; its run ids keep stopped runs stopped across restarts. Each operation reads
// the store afresh and holds the one lock across its whole read-modify-write.
class OperatorStopLedger {
public:
    using Date = std::chrono::system_clock::time_point;

    struct Entry {
        std::string runId;
        std::string by;
        Date at;
        bool reported = false;

        bool operator==(const Entry&) const = default;
    };

    static constexpr std::string_view key = "TarvoOperatorStops";
    static constexpr std::size_t keep = 50;
    // A stop older than this is marked reported without being sent.
    static constexpr std::chrono::duration<double> reportForSeconds{86400.0};
    static constexpr std::array<std::string_view, 5> byValues{"bar", "menu", "hotkey", "quit", "conditions"};

    explicit OperatorStopLedger(SettingsStore& store);

    // Oldest first.
    std::vector<Entry> entries() const;
    std::vector<std::string> stoppedRunIds() const;
    std::vector<Entry> unreported() const;

    // The first record of a run stands, reported or not; a `by` outside `byValues` is kept as
    // "conditions".
    void record(std::string_view runId, std::string_view by, Date at);
    void markReported(std::string_view runId);

private:
    std::vector<Entry> read() const;
    void write(std::vector<Entry> entries);

    SettingsStore& store_;
    mutable std::mutex lock_;
};

} // namespace tarvo
