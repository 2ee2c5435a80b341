#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/ProcessRunner.h"
#include "TarvoCore/Ports/BrowserLocator.h"

namespace tarvo {

// The browsers of a Linux desktop: an application entry in "applications" under one of the XDG
// data folders marks a browser installed, "xdg-settings" names the default one, and a browser
// is started as its entry's Exec line says. Browsers are known here by the identifiers the
// companion uses everywhere, each matched to the entry names its Linux builds install.
class DesktopBrowserLocator final : public BrowserLocator {
public:
    // `dataFolders` in order of precedence; `searchPath` is a PATH value.
    DesktopBrowserLocator(std::vector<std::filesystem::path> dataFolders, std::string searchPath,
                          std::shared_ptr<ProcessRunner> runner);

    // XDG_DATA_HOME (or ~/.local/share), then each absolute folder of XDG_DATA_DIRS (or
    // /usr/local/share and /usr/share).
    static std::vector<std::filesystem::path> dataFolders(const char* dataHome, const char* home, const char* dataDirs);

    std::optional<std::string> applicationLocation(const std::string& bundleIdentifier) override;
    std::optional<std::string> defaultBrowser() override;
    void open(const std::string& address, const std::string& application) override;

private:
    std::vector<std::filesystem::path> dataFolders_;
    std::string searchPath_;
    std::shared_ptr<ProcessRunner> runner_;
};

} // namespace tarvo
