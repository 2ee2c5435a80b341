#include "Platform/XdgLoginItem.h"

#include <cstdlib>
#include <utility>

#include "Platform/DesktopEntry.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/XdgBaseFolder.h"

namespace tarvo {

const std::string XdgLoginItem::entryName = std::string(bundleIdentifier) + ".desktop";

XdgLoginItem::XdgLoginItem(std::string executable, std::filesystem::path configFolder,
                           std::filesystem::path dataFolder)
    : executable_(std::move(executable)), configFolder_(std::move(configFolder)), dataFolder_(std::move(dataFolder)) {}

std::optional<XdgLoginItem> XdgLoginItem::current(std::string executable) {
    const char* home = std::getenv("HOME");
    auto config = XdgBaseFolder::resolve(std::getenv("XDG_CONFIG_HOME"), home, ".config");
    auto data = XdgBaseFolder::resolve(std::getenv("XDG_DATA_HOME"), home, ".local/share");
    if (!config || !data) return std::nullopt;
    return XdgLoginItem(std::move(executable), std::move(*config), std::move(*data));
}

void XdgLoginItem::registerMainApp() {
    const std::string program = DesktopEntry::quotedArgument(executable_);
    const std::string head = "[Desktop Entry]\nType=Application\nName=Tarvo\n";
    std::filesystem::create_directories(autostartFile().parent_path());
    AtomicFile::write(autostartFile(), head + "Exec=" + program + "\nX-GNOME-Autostart-enabled=true\n");
    std::filesystem::create_directories(schemeHandlerFile().parent_path());
    AtomicFile::write(schemeHandlerFile(),
                      head + "Exec=" + program + " %u\nMimeType=x-scheme-handler/tarvo;\nNoDisplay=true\n");
}

} // namespace tarvo
