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

    // True only when the key holds true: a missing key and a value of another type read as false.
    bool isTrue(std::string_view forKey) const {
        const std::optional<Json> stored = object(forKey);
        return stored && stored->is_boolean() && stored->get<bool>();
    }
};

} // namespace tarvo
