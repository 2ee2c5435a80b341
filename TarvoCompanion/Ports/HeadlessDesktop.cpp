#include "TarvoCompanion/Ports/HeadlessDesktop.h"

namespace tarvo {

// The page host presses and lets go of Return in one call, so a key-down stands for the whole
// press and its key-up has nothing left to do.
Task<void> HeadlessDesktop::sendKeys(WindowNumber, KeyTarget, std::vector<KeyEvent> events) {
    for (const KeyEvent& event : events) {
        if (event.keyCode == returnKeyCode && event.phase == KeyEvent::Phase::down) {
            co_await page_->pressReturn(keyLimit);
        }
    }
}

} // namespace tarvo
