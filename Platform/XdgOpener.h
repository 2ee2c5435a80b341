#pragma once

#include <memory>
#include <optional>
#include <string>

#include "TarvoBase/ProcessRunner.h"
#include "TarvoCore/Ports/Opener.h"

namespace tarvo {

// Opens addresses with the desktop's "xdg-open", found on the search path and started
// directly with the address as its one argument, so that nothing in an address is ever read
// as a command or split into words. What it writes stays out of the companion's log.
class XdgOpener final : public Opener {
public:
    // `searchPath` is a PATH value: folders separated by ":"; folders that are not absolute are
    // skipped.
    XdgOpener(std::shared_ptr<ProcessRunner> runner, std::string searchPath);

    void open(const std::string& address) override;

private:
    std::optional<std::string> findXdgOpen() const;

    std::shared_ptr<ProcessRunner> runner_;
    std::string searchPath_;
};

} // namespace tarvo
