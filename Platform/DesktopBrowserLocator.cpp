#include "Platform/DesktopBrowserLocator.h"

#include <array>
#include <chrono>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "Platform/DesktopEntry.h"
#include "Platform/LinuxProcessRunner.h"
#include "Platform/SearchPath.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/XdgBaseFolder.h"

namespace tarvo {
namespace {

struct KnownBrowser {
    std::string_view bundleIdentifier;
    std::string_view entryName;
};

// Arc has no Linux build, so it is never found installed.
constexpr std::array<KnownBrowser, 3> knownBrowsers{{
    {"com.google.Chrome", "google-chrome.desktop"},
    {"com.microsoft.edgemac", "microsoft-edge.desktop"},
    {"com.microsoft.edgemac", "microsoft-edge-stable.desktop"},
}};

constexpr std::chrono::seconds xdgSettingsTimeout{5};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

DesktopBrowserLocator::DesktopBrowserLocator(std::vector<std::filesystem::path> dataFolders, std::string searchPath,
                                             std::shared_ptr<ProcessRunner> runner)
    : dataFolders_(std::move(dataFolders)), searchPath_(std::move(searchPath)), runner_(std::move(runner)) {}

std::vector<std::filesystem::path> DesktopBrowserLocator::dataFolders(const char* dataHome, const char* home,
                                                                      const char* dataDirs) {
    std::vector<std::filesystem::path> folders;
    if (auto own = XdgBaseFolder::resolve(dataHome, home, ".local/share")) folders.push_back(std::move(*own));
    std::string_view rest = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    for (;;) {
        const auto colon = rest.find(':');
        const std::filesystem::path folder(rest.substr(0, colon));
        if (folder.is_absolute()) folders.push_back(folder);
        if (colon == std::string_view::npos) return folders;
        rest.remove_prefix(colon + 1);
    }
}

std::optional<std::string> DesktopBrowserLocator::applicationLocation(const std::string& bundleIdentifier) {
    for (const KnownBrowser& browser : knownBrowsers) {
        if (browser.bundleIdentifier != bundleIdentifier) continue;
        for (const auto& folder : dataFolders_) {
            const auto entry = folder / "applications" / browser.entryName;
            std::error_code ignored;
            if (std::filesystem::is_regular_file(entry, ignored)) return entry.string();
        }
    }
    return std::nullopt;
}

std::optional<std::string> DesktopBrowserLocator::defaultBrowser() {
    const auto xdgSettings = SearchPath::find(searchPath_, "xdg-settings");
    if (!xdgSettings) return std::nullopt;
    const auto answer =
        LinuxProcessRunner::runAndWait(*xdgSettings, {"get", "default-web-browser"}, xdgSettingsTimeout);
    const std::string_view entryName = trimmed(answer.standardOutput);
    if (answer.exitCode != 0 || entryName.empty()) return std::nullopt;
    for (const KnownBrowser& browser : knownBrowsers) {
        if (browser.entryName == entryName) return std::string(browser.bundleIdentifier);
    }
    // A browser of no known identifier: its entry name matches none of them.
    return std::string(entryName);
}

void DesktopBrowserLocator::open(const std::string& address, const std::string& application) {
    const auto exec = DesktopEntry::value(AtomicFile::read(application), "Exec");
    auto arguments = DesktopEntry::arguments(exec.value_or(""), address);
    if (arguments.empty()) throw std::runtime_error(application + " names no program to start");
    std::string program = std::move(arguments.front());
    arguments.erase(arguments.begin());
    if (program.find('/') == std::string::npos) {
        const auto found = SearchPath::find(searchPath_, program);
        if (!found) throw std::runtime_error("found no " + program + " to start");
        program = *found;
    }
    runner_->launchDetached(std::move(program), std::move(arguments));
}

} // namespace tarvo
