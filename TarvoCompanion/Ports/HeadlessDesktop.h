#pragma once

#include <chrono>
#include <memory>

#include "TarvoCompanion/Ports/Desktop.h"
#include "TarvoCore/WhatsApp/PageHost.h"

namespace tarvo {

// The desktop of a computer whose page lives in a headless browser. The program is never the
// application the user works in (the page never takes the user's focus), no pasteboard reaches
// the page (the browser reads none), and the one key it delivers is Return, as the page host's
// trusted Enter to the page's focused element.
class HeadlessDesktop final : public Desktop {
public:
    static constexpr int returnKeyCode = 36;
    // The longest a Return may take to reach the page.
    static constexpr std::chrono::seconds keyLimit{10};

    explicit HeadlessDesktop(std::shared_ptr<PageHost> page) : page_(std::move(page)) {}

    bool isActive() const override { return false; }
    void activateIgnoringOtherApps() override {}
    bool pasteReachesThePage() const override { return false; }
    std::optional<std::vector<PasteboardItem>> pasteboardItems() const override { return std::nullopt; }
    std::int64_t pasteboardChangeCount() const override { return 0; }
    std::int64_t replacePasteboard(std::vector<PasteboardItem>) override { return 0; }
    std::optional<WindowNumber> keyWindow() const override { return std::nullopt; }
    void makeKey(WindowNumber) override {}
    Task<void> sendKeys(WindowNumber window, KeyTarget target, std::vector<KeyEvent> events) override;

private:
    std::shared_ptr<PageHost> page_;
};

} // namespace tarvo
