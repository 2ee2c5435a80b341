#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TarvoCore/Operator/AXSnapshot.h"

namespace tarvo {

// Which live element stands behind each element id the service was shown, per process: the
// accessibility reader fills it after every read and the actor looks ids up in it. Only the
// latest read of a process counts, so an id of an earlier read is never pressed by mistake.
// `Element` holds its own reference to the live element; a lookup hands out a copy of it.
template <class Element>
class ElementRegistry {
public:
    // The element behind `id` in the latest read of `pid`.
    std::optional<Element> element(const std::string& id, std::int32_t pid) const {
        std::lock_guard lock(mutex_);
        const auto process = byPid_.find(pid);
        if (process == byPid_.end()) return std::nullopt;
        const auto found = process->second.find(id);
        if (found == process->second.end()) return std::nullopt;
        return found->second;
    }

    // Replaces the whole map of `pid` with the ids of `snapshot`, each naming the element at its
    // position in the walk's element list; an id whose position lies outside the list is left out.
    void install(std::int32_t pid, const AXSnapshot& snapshot, const std::vector<Element>& elements) {
        std::map<std::string, Element> fresh;
        for (const auto& [id, position] : snapshot.elementRefs)
            if (position < elements.size()) fresh.emplace(id, elements[position]);
        std::map<std::string, Element> replaced;
        {
            std::lock_guard lock(mutex_);
            replaced = std::exchange(byPid_[pid], std::move(fresh));
        }
        // The earlier elements are released here, outside the lock: releasing one may call out.
    }

private:
    mutable std::mutex mutex_;
    std::map<std::int32_t, std::map<std::string, Element>> byPid_;
};

} // namespace tarvo
