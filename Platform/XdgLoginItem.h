#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "TarvoCore/Ports/LoginItem.h"

namespace tarvo {

// The login item as the XDG desktops know it: an autostart entry in the configuration folder,
// and beside it the application entry that makes this program the handler of tarvo:// links.
class XdgLoginItem final : public LoginItem {
public:
    // Named after the application's identifier, in "autostart" and in "applications".
    static const std::string entryName;

    // `executable` is the program's own path.
    XdgLoginItem(std::string executable, std::filesystem::path configFolder, std::filesystem::path dataFolder);

    // The item of this user's XDG base folders; nothing when neither they nor the home folder
    // are absolute.
    static std::optional<XdgLoginItem> current(std::string executable);

    void registerMainApp() override;

    std::filesystem::path autostartFile() const { return configFolder_ / "autostart" / entryName; }
    std::filesystem::path schemeHandlerFile() const { return dataFolder_ / "applications" / entryName; }

private:
    std::string executable_;
    std::filesystem::path configFolder_;
    std::filesystem::path dataFolder_;
};

} // namespace tarvo
