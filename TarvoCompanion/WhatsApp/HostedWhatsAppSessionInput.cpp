#include <chrono>
#include <exception>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/PrivateFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Text.h"
#include "TarvoCompanion/WhatsApp/HostedWhatsAppSession.h"
#include "TarvoCore/Relay/OutgoingFiles.h"
#include "TarvoCore/WhatsApp/PictureType.h"

namespace fs = std::filesystem;

namespace tarvo {
namespace {

using KeyEvent = Desktop::KeyEvent;
using Phase = KeyEvent::Phase;

constexpr int vKeyCode = 9;
constexpr int returnKeyCode = 36;

// Seconds since the computer started, as key events carry it.
double uptime() {
    return std::chrono::duration<double>(RunLoop::current().clock().now().time_since_epoch()).count();
}

KeyEvent commandV(Phase phase) { return {phase, vKeyCode, "v", "v", true, false, uptime()}; }

KeyEvent returnKey(Phase phase) { return {phase, returnKeyCode, "\r", "\r", false, false, uptime()}; }

// The file's bytes with their media type, when they are a picture the pasteboard can carry.
std::optional<Desktop::PasteboardItem> pictureAt(const fs::path& file) {
    std::string bytes;
    try {
        bytes = AtomicFile::read(file);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    const std::optional<std::string> type = WhatsAppWeb::pictureType(bytes);
    if (!type) return std::nullopt;
    return Desktop::PasteboardItem{{*type, std::move(bytes)}};
}

} // namespace

std::optional<fs::path> HostedWhatsAppSession::stageForPaste(const OutgoingFile& file) const {
    if (!Text::lowercased(file.mimeType).starts_with("image/")) return std::nullopt;
    std::string name = OutgoingFiles::safeFilename(file.filename);
    if (name.empty()) name = "attachment";
    const fs::path program = userFolder_ / std::string(bundleIdentifier);
    const fs::path folder = program / std::string(pictureFolderName);
    try {
        const FileDescriptor user = PrivateFolder::openUserFolder(userFolder_, true);
        const FileDescriptor own = PrivateFolder::ownFolder(user, std::string(bundleIdentifier), program, true);
        const FileDescriptor staging = PrivateFolder::ownFolder(own, std::string(pictureFolderName), folder, true);
        PrivateFolder::writeReplacing(staging, name, file.data);
    } catch (const std::exception& failure) {
        PlainLog::write(std::string("tarvo: whatsapp: could not stage the picture for the pasteboard: ") +
                        failure.what());
        return std::nullopt;
    }
    return folder / name;
}

Task<bool> HostedWhatsAppSession::pasteImageNatively(fs::path staged) {
    if (!desktop_->pasteReachesThePage()) co_return false;
    if (!window_ || !window_->contentView) co_return false;
    if (desktop_->isActive()) {
        PlainLog::write("tarvo: whatsapp: not pasting — he is in the app and it is his clipboard");
        co_return false;
    }
    std::optional<Desktop::PasteboardItem> picture = pictureAt(staged);
    if (!picture) {
        PlainLog::write("tarvo: whatsapp: the file is not an image the pasteboard can carry");
        co_return false;
    }
    std::optional<std::vector<Desktop::PasteboardItem>> saved = desktop_->pasteboardItems();
    std::vector<Desktop::PasteboardItem> only;
    only.push_back(std::move(*picture));
    const std::int64_t ours = desktop_->replacePasteboard(std::move(only));
    std::vector<KeyEvent> keys{commandV(Phase::down), commandV(Phase::up)};
    const std::string failure = co_await pressAsKey(Desktop::KeyTarget::window, std::move(keys));
    if (failure.empty()) {
        PlainLog::write("tarvo: whatsapp: pasted the picture with a real command-V");
    } else {
        PlainLog::write("tarvo: whatsapp: the paste did not reach the page: " + failure);
    }
    if (saved) {
        // Whatever the user copied since is theirs to keep: only our own picture is taken back.
        auto restore = [desktop = desktop_, saved = std::move(*saved), ours]() mutable {
            if (desktop->pasteboardChangeCount() == ours) desktop->replacePasteboard(std::move(saved));
        };
        RunLoop::current().schedule(pasteboardRestoreDelay, std::move(restore));
    }
    co_return failure.empty();
}

Task<void> HostedWhatsAppSession::pressReturnNatively() {
    if (!window_ || !window_->contentView) co_return;
    if (desktop_->isActive()) {
        PlainLog::write("tarvo: whatsapp: not pressing return natively — he is in the app, and taking key would move "
                        "his focus to an off-screen window");
        co_return;
    }
    std::vector<KeyEvent> keys{returnKey(Phase::down), returnKey(Phase::up)};
    const std::string failure = co_await pressAsKey(Desktop::KeyTarget::contentView, std::move(keys));
    if (!failure.empty()) PlainLog::write("tarvo: whatsapp: the return key did not reach the page: " + failure);
}

Task<std::string> HostedWhatsAppSession::pressAsKey(Desktop::KeyTarget target, std::vector<Desktop::KeyEvent> keys) {
    const std::optional<Desktop::WindowNumber> keyBefore = desktop_->keyWindow();
    desktop_->makeKey(window_->number);
    std::string failure;
    try {
        co_await desktop_->sendKeys(window_->number, target, std::move(keys));
    } catch (const PageHost::Failure& error) {
        failure = error.what();
    }
    if (keyBefore) desktop_->makeKey(*keyBefore);
    co_return failure;
}

} // namespace tarvo
