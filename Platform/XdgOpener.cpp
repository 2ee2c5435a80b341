#include "Platform/XdgOpener.h"

#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include <unistd.h>

#include "TarvoBase/PlainLog.h"

namespace tarvo {

XdgOpener::XdgOpener(std::shared_ptr<ProcessRunner> runner, std::string searchPath)
    : runner_(std::move(runner)), searchPath_(std::move(searchPath)) {}

void XdgOpener::open(const std::string& address) {
    const std::optional<std::string> xdgOpen = findXdgOpen();
    if (!xdgOpen) {
        PlainLog::write("tarvo: found no xdg-open to show a web page with — open " + address + " by hand");
        return;
    }
    try {
        runner_->launchDetached(*xdgOpen, {address});
    } catch (const std::system_error& failure) {
        PlainLog::write(std::string("tarvo: ") + failure.what() + " — open " + address + " by hand");
    }
}

std::optional<std::string> XdgOpener::findXdgOpen() const {
    std::string_view rest = searchPath_;
    for (;;) {
        const auto colon = rest.find(':');
        const std::filesystem::path folder(rest.substr(0, colon));
        if (folder.is_absolute()) {
            const std::string candidate = (folder / "xdg-open").string();
            std::error_code ignored;
            if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate, ignored)) {
                return candidate;
            }
        }
        if (colon == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(colon + 1);
    }
}

} // namespace tarvo
