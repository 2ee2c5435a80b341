#pragma once

#include <optional>
#include <string_view>

#include "TarvoBase/Json.h"

namespace tarvo {

// The program's key-value settings (keys carry the "Tarvo" prefix).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored value, or nothing when the key holds none.
    virtual std::optional<Json> object(std::string_view forKey) const = 0;

    // Stores the value under the key; nothing (or a JSON null) removes the key.
    virtual void set(std::optional<Json> value, std::string_view forKey) = 0;
};

} // namespace tarvo
