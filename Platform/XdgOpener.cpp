#include "Platform/XdgOpener.h"

#include <string>
#include <system_error>
#include <utility>

#include "Platform/SearchPath.h"
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
    // Without a desktop, xdg-open explains itself at length; one line says that it failed.
    auto ended = [address](const ProcessRunner::Result& result) {
        if (result.exitCode == 0) return;
        const std::string how = result.exitCode ? "exit status " + std::to_string(*result.exitCode)
                                                : "signal " + std::to_string(result.signal.value_or(0));
        PlainLog::write("tarvo: xdg-open could not show the page (" + how + ") — open " + address + " by hand");
    };
    try {
        runner_->launchQuietly(*xdgOpen, {address}, std::move(ended));
    } catch (const std::system_error& failure) {
        PlainLog::write(std::string("tarvo: ") + failure.what() + " — open " + address + " by hand");
    }
}

std::optional<std::string> XdgOpener::findXdgOpen() const { return SearchPath::find(searchPath_, "xdg-open"); }

} // namespace tarvo
