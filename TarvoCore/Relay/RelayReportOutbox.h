#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/SettingsStore.h"
#include "TarvoCore/Relay/RelayJobReport.h"

namespace tarvo {

// The reports of relay jobs that may not have reached the service, kept in the settings store so
// that neither a report the service did not take nor a program that ended in the middle of a job
// loses one. While the service has not heard of a job it holds the job as in flight and may hand
// it out again; a job whose report is kept here is then reported again, never sent again.
class RelayReportOutbox {
public:
    using Date = std::chrono::system_clock::time_point;
    using Seconds = std::chrono::duration<double>;

    // Object setting: job id to {"ok", "failureReason" (when failed), "keptAt", "retrying"}.
    static constexpr std::string_view key = "TarvoRelayReportOutbox";
    // How long a report is kept, whatever became of it.
    static constexpr Seconds retention{7 * 24 * 3600};

    struct Entry {
        std::string jobId;
        RelayJobReport report;
        Date keptAt;
        // Tried again at the start of each relay run, until the service has answered for it.
        bool retrying = true;

        bool operator==(const Entry&) const = default;
    };

    explicit RelayReportOutbox(std::shared_ptr<SettingsStore> store);

    // Keeps the job's report, replacing an earlier one, to be tried again.
    void keep(const std::string& jobId, const RelayJobReport& report, Date at);
    // Whether the kept report is tried again at the start of a run; it is kept either way.
    void setRetrying(const std::string& jobId, bool retrying);
    void remove(const std::string& jobId);

    std::optional<Entry> find(const std::string& jobId) const;
    // Oldest first. A stored entry that cannot be read is left out, and dropped at the next change.
    std::vector<Entry> entries() const;

    // Removes the entries kept longer than `retention` at `now`, and answers them.
    std::vector<Entry> expire(Date now);

private:
    void store(const std::vector<Entry>& entries);

    std::shared_ptr<SettingsStore> store_;
};

} // namespace tarvo
