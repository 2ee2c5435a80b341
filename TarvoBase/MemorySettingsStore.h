#pragma once

#include <map>
#include <mutex>
#include <string>

#include "TarvoBase/SettingsStore.h"

namespace tarvo {

// Settings kept in memory only, for tests and for runs without a settings file.
class MemorySettingsStore : public SettingsStore {
public:
    using Values = std::map<std::string, Json, std::less<>>;

    explicit MemorySettingsStore(Values values = {});

    std::optional<Json> object(std::string_view forKey) const override;
    void set(std::optional<Json> value, std::string_view forKey) override;

private:
    mutable std::mutex lock_;
    Values values_;
};

} // namespace tarvo
