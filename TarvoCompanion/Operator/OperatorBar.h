#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "TarvoBase/Task.h"
#include "TarvoBase/Timer.h"
#include "TarvoCompanion/Operator/OperatingBar.h"
#include "TarvoCompanion/Operator/ShownFlag.h"
#include "TarvoCore/Operator/OperatorBarSurface.h"
#include "TarvoDesign/Tokens/TarvoMotion.h"

namespace tarvo {

// The bar that says "Tarvo is operating this Mac" with its Stop button, while a run is live. It
// fades in and out on the loop's clock, sliding from and to 8 px higher, and is the step
// executor's indicator: a step acts only while the desktop has the bar on screen. `shown` turns
// true only once the desktop reports the window on screen, and false at the very start of `hide`
// or whenever the window leaves the screen. Without a display it is never shown. On the main
// loop, but for `isShown`.
class OperatorBar final : public OperatingBar {
public:
    static constexpr double fadeSeconds = 0.18;
    static constexpr int slide = 8;
    static constexpr std::chrono::seconds mapLimit{1};
    static constexpr std::chrono::milliseconds frameInterval{16};
    static constexpr TarvoMotion::Curve easeOut{0.0, 0.0, 0.58, 1.0};
    static constexpr TarvoMotion::Curve easeIn{0.42, 0.0, 1.0, 1.0};

    explicit OperatorBar(std::shared_ptr<OperatorBarSurface> surface);
    ~OperatorBar() override;
    OperatorBar(const OperatorBar&) = delete;
    OperatorBar& operator=(const OperatorBar&) = delete;

    // Keeps `onStop` for the Stop button, in place of the one before, and brings the bar on
    // screen (or keeps it there, during a fade-out).
    void show(std::function<void()> onStop) override;
    // Takes the bar off screen; it counts as not shown from this call on.
    void hide() override;

    // Safe from any thread.
    Task<bool> isShown() override;
    bool shown() const { return shownFlag_.shown(); }

private:
    void animate(OperatorBarSurface::Frame to, const TarvoMotion::Curve& curve, std::function<void()> completion);
    void visibilityChanged(bool visible);
    void stopWaitingForTheScreen();

    std::shared_ptr<OperatorBarSurface> surface_;
    std::function<void()> onStop_ = [] {};
    ShownFlag shownFlag_;
    bool made_ = false;
    // What the desktop last reported of the window.
    bool onScreen_ = false;
    bool awaitingScreen_ = false;
    bool saidNoDisplay_ = false;
    Timer screenLimit_;
    Timer animation_;
};

} // namespace tarvo
