#include "TarvoCompanion/WhatsApp/ParkedWindow.h"

#include <atomic>

namespace tarvo {
namespace {

std::atomic<Desktop::WindowNumber> lastNumber{0};

} // namespace

ParkedWindow::ParkedWindow(Rect contentRect, std::uint64_t styleMask, Backing backing, bool defer)
    : styleMask(styleMask), backing(backing), deferred(defer), number(++lastNumber), frame_(contentRect) {}

void ParkedWindow::setFrameOrigin(Point origin) {
    const Rect moved = constrainFrameRect(Rect{origin, frame_.size});
    if (moved == frame_) return;
    frame_ = moved;
    if (didMove) didMove();
}

void ParkedWindow::center(const std::vector<Rect>& screens) {
    if (screens.empty()) return;
    const Rect& screen = screens.front();
    setFrameOrigin({screen.minX() + (screen.size.width - frame_.size.width) / 2,
                    screen.minY() + (screen.size.height - frame_.size.height) / 2});
}

void ParkedWindow::performClose() {
    if (delegate && !delegate->windowShouldClose(*this)) return;
    visible_ = false;
}

} // namespace tarvo
