#include "Platform/XdgOpener.h"

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
    try {
        runner_->launchDetached(*xdgOpen, {address});
    } catch (const std::system_error& failure) {
        PlainLog::write(std::string("tarvo: ") + failure.what() + " — open " + address + " by hand");
    }
}

std::optional<std::string> XdgOpener::findXdgOpen() const { return SearchPath::find(searchPath_, "xdg-open"); }

} // namespace tarvo
