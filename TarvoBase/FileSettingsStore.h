#pragma once

#include <filesystem>
#include <mutex>
#include <optional>

#include "TarvoBase/SettingsStore.h"

namespace tarvo {

// The settings as one JSON object in "settings.json" of a folder: read once when the store is
// made, and written whole, atomically, on every change. A file that cannot be read or is not a
// JSON object is kept aside under a new name (and logged) instead of being written over.
class FileSettingsStore : public SettingsStore {
public:
    explicit FileSettingsStore(std::filesystem::path folder);

    std::optional<Json> object(std::string_view forKey) const override;
    void set(std::optional<Json> value, std::string_view forKey) override;

    const std::filesystem::path& file() const { return file_; }

    // "$XDG_CONFIG_HOME/tarvo", or "$HOME/.config/tarvo" when that variable is unset, empty or not
    // an absolute path; nothing when neither gives an absolute folder.
    static std::optional<std::filesystem::path> defaultFolder();
    static std::optional<std::filesystem::path> defaultFolder(const char* xdgConfigHome, const char* home);

private:
    void load();
    bool keepAside(const std::string& reason);
    void save() const;

    mutable std::mutex lock_;
    std::filesystem::path file_;
    Json values_ = Json::object();
    bool writable_ = true;
};

} // namespace tarvo
