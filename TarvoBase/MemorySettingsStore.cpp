#include "TarvoBase/MemorySettingsStore.h"

namespace tarvo {

MemorySettingsStore::MemorySettingsStore(Values values) : values_(std::move(values)) {
    std::erase_if(values_, [](const auto& entry) { return entry.second.is_null(); });
}

std::optional<Json> MemorySettingsStore::object(std::string_view forKey) const {
    std::lock_guard lock(lock_);
    const auto found = values_.find(forKey);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

void MemorySettingsStore::set(std::optional<Json> value, std::string_view forKey) {
    std::lock_guard lock(lock_);
    if (!value || value->is_null()) {
        if (const auto found = values_.find(forKey); found != values_.end()) values_.erase(found);
        return;
    }
    values_.insert_or_assign(std::string(forKey), std::move(*value));
}

} // namespace tarvo
