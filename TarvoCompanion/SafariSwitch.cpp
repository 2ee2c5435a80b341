#include "TarvoCompanion/SafariSwitch.h"

#include <string>
#include <system_error>
#include <utility>

#include "TarvoBase/BundleIdentifier.h"

namespace tarvo {

const Logger& SafariSwitch::log() {
    static const Logger logger(std::string(bundleIdentifier), "safari");
    return logger;
}

SafariSwitch::SafariSwitch(std::optional<std::filesystem::path> handler, AskBrowser askBrowser)
    : handler_(std::move(handler)), askBrowser_(std::move(askBrowser)) {}

SafariSwitch SafariSwitch::ofThisProgram(const BundleInfo& bundle) {
    const std::optional<std::string> handler = bundle.string(BundleInfo::safariHandlerKey);
    if (!handler || handler->empty()) return SafariSwitch(std::nullopt, nullptr);
    return SafariSwitch(std::filesystem::path(*handler), nullptr);
}

bool SafariSwitch::isEmbedded() const {
    if (!handler_) return false;
    std::error_code failed;
    const auto status = std::filesystem::status(*handler_, failed);
    if (failed || !std::filesystem::is_regular_file(status)) return false;
    using std::filesystem::perms;
    return (status.permissions() & (perms::owner_exec | perms::group_exec | perms::others_exec)) != perms::none;
}

Task<std::optional<bool>> SafariSwitch::isOn() const {
    if (!isEmbedded() || !askBrowser_) co_return std::nullopt;
    co_return co_await askBrowser_();
}

void SafariSwitch::showInSafari() const {
    log().log(LogLevel::standard, "this computer has no Safari to show the extension's settings in");
}

} // namespace tarvo
