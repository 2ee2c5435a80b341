#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "TarvoCore/Operator/FileIdentity.h"
#include "TarvoCore/Operator/MacFileFolder.h"

namespace tarvo {

// The references a run's listings minted, so that the service names files only by what the run
// itself found and never by a path. A reference is a keyed MAC of the run and the path: stable
// within a run, different in another, and unguessable without the key. Shared between threads.
class FileRefTable {
public:
    // What a reference stands for, as listed.
    struct Entry {
        // Absolute, links resolved.
        std::string path;
        // The last path component.
        std::string name;
        MacFileFolder folder = MacFileFolder::other;
        std::int64_t bytes = 0;
        bool cloudOnly = false;
        // The file the listing saw, so that a file put under the same name since is not taken for it.
        FileIdentity identity;

        bool operator==(const Entry&) const = default;
    };

    // Runs kept; the runs first created are forgotten first, however recently they were used.
    static constexpr std::size_t runsKept = 8;

    explicit FileRefTable(std::span<const std::uint8_t> key);

    // "f_" and 32 characters of URL-safe Base64. Minting a path again in the same run replaces
    // its entry.
    std::string mint(const std::string& runId, const Entry& entry);
    // Nothing when the run is not kept or the reference was not minted in it.
    std::optional<Entry> resolve(const std::string& runId, const std::string& ref) const;

private:
    const std::vector<std::uint8_t> key_;
    mutable std::mutex mutex_;
    std::deque<std::pair<std::string, std::map<std::string, Entry>>> runs_;
};

} // namespace tarvo
