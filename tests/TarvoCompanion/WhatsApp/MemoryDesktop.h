#pragma once

#include <optional>
#include <string>
#include <vector>

#include "TarvoCompanion/Ports/Desktop.h"

namespace tarvo::testing {

// A desktop in memory: a pasteboard whose change count moves with every change, a key window,
// and the key events each window was sent.
class MemoryDesktop final : public Desktop {
public:
    struct SentKeys {
        WindowNumber window;
        KeyTarget target;
        std::vector<KeyEvent> events;
    };

    bool active = false;
    int activations = 0;
    // Nothing stands for a pasteboard that gives no list of items.
    std::optional<std::vector<PasteboardItem>> items = std::vector<PasteboardItem>{};
    std::int64_t changeCount = 0;
    std::optional<WindowNumber> key;
    std::vector<WindowNumber> madeKey;
    std::vector<SentKeys> sent;
    // The pasteboard as it was when each batch of keys arrived.
    std::vector<std::optional<std::vector<PasteboardItem>>> pasteboardAtKeys;

    // The user copies something.
    void copy(std::vector<PasteboardItem> copied) {
        items = std::move(copied);
        ++changeCount;
    }

    bool isActive() const override { return active; }
    void activateIgnoringOtherApps() override { ++activations; }
    bool pasteReachesThePage() const override { return true; }
    std::optional<std::vector<PasteboardItem>> pasteboardItems() const override { return items; }
    std::int64_t pasteboardChangeCount() const override { return changeCount; }
    std::int64_t replacePasteboard(std::vector<PasteboardItem> written) override {
        copy(std::move(written));
        return changeCount;
    }
    std::optional<WindowNumber> keyWindow() const override { return key; }
    void makeKey(WindowNumber window) override {
        key = window;
        madeKey.push_back(window);
    }
    Task<void> sendKeys(WindowNumber window, KeyTarget target, std::vector<KeyEvent> events) override {
        sent.push_back({window, target, std::move(events)});
        pasteboardAtKeys.push_back(items);
        co_return;
    }
};

} // namespace tarvo::testing
