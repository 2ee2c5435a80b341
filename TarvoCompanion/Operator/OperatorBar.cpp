#include "TarvoCompanion/Operator/OperatorBar.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/RunLoop.h"

namespace tarvo {
namespace {

// The progress a timing curve gives at `time` (both 0 to 1): the curve's x is the time, found by
// halving, its y the progress.
double eased(const TarvoMotion::Curve& curve, double time) {
    if (time <= 0) return 0;
    if (time >= 1) return 1;
    const auto bezier = [](double first, double second, double t) {
        const double u = 1 - t;
        return 3 * u * u * t * first + 3 * u * t * t * second + t * t * t;
    };
    double low = 0, high = 1, t = time;
    for (int step = 0; step < 40; ++step) {
        t = (low + high) / 2;
        if (bezier(curve.x1, curve.x2, t) < time) {
            low = t;
        } else {
            high = t;
        }
    }
    return bezier(curve.y1, curve.y2, t);
}

OperatorBarSurface::Frame between(const OperatorBarSurface::Frame& from, const OperatorBarSurface::Frame& to,
                                  double progress) {
    const auto mix = [progress](double a, double b) { return a + (b - a) * progress; };
    return {.alpha = mix(from.alpha, to.alpha),
            .origin = {static_cast<int>(std::lround(mix(from.origin.x, to.origin.x))),
                       static_cast<int>(std::lround(mix(from.origin.y, to.origin.y)))}};
}

OperatorBarSurface::Origin raised(OperatorBarSurface::Origin origin) {
    return {origin.x, origin.y - OperatorBar::slide};
}

} // namespace

OperatorBar::OperatorBar(std::shared_ptr<OperatorBarSurface> surface) : surface_(std::move(surface)) {}

OperatorBar::~OperatorBar() {
    animation_.invalidate();
    screenLimit_.invalidate();
    if (made_) {
        surface_->onStop = nullptr;
        surface_->onVisibility = nullptr;
    }
}

void OperatorBar::show(std::function<void()> onStop) {
    onStop_ = std::move(onStop);
    if (!surface_ || !surface_->canShow()) {
        if (!saidNoDisplay_) PlainLog::write("tarvo: the operating bar cannot be shown: there is no display");
        saidNoDisplay_ = true;
        return;
    }
    if (!made_) {
        made_ = true;
        // The button runs whatever action the latest show left, so a new run needs no new window.
        surface_->onStop = [this] { onStop_(); };
        surface_->onVisibility = [this](bool visible) { visibilityChanged(visible); };
    }
    const OperatorBarSurface::Origin origin = surface_->place().value_or(surface_->frame().origin);
    const bool reduceMotion = surface_->look().reduceMotion;
    if (!surface_->isVisible() && !reduceMotion) surface_->setFrame({.alpha = 0, .origin = raised(origin)});
    surface_->orderFront();
    if (onScreen_) {
        shownFlag_.set(true);
    } else if (!awaitingScreen_) {
        awaitingScreen_ = true;
        screenLimit_ = RunLoop::current().schedule(mapLimit, [this] {
            awaitingScreen_ = false;
            PlainLog::write("tarvo: the desktop did not put the operating bar on screen within 1 s");
        });
    }
    const OperatorBarSurface::Frame shownFrame{.alpha = 1, .origin = origin};
    if (reduceMotion) {
        animation_.invalidate();
        surface_->setFrame(shownFrame);
    } else {
        animate(shownFrame, easeOut, [] {});
    }
}

void OperatorBar::hide() {
    shownFlag_.set(false);
    stopWaitingForTheScreen();
    if (!made_ || !surface_->isVisible()) return;
    if (surface_->look().reduceMotion) {
        animation_.invalidate();
        surface_->orderOut();
        return;
    }
    const OperatorBarSurface::Frame current = surface_->frame();
    animate({.alpha = 0, .origin = raised(current.origin)}, easeIn, [this] {
        if (!shownFlag_.shown()) surface_->orderOut();
    });
}

Task<bool> OperatorBar::isShown() { co_return shownFlag_.shown(); }

void OperatorBar::animate(OperatorBarSurface::Frame to, const TarvoMotion::Curve& curve,
                          std::function<void()> completion) {
    animation_.invalidate();
    RunLoop& loop = RunLoop::current();
    const OperatorBarSurface::Frame from = surface_->frame();
    const auto start = loop.clock().now();
    animation_ = loop.scheduleRepeating(frameInterval, [this, &loop, from, to, curve, start,
                                                        completion = std::move(completion)] {
        const double elapsed = std::chrono::duration<double>(loop.clock().now() - start).count();
        const double time = std::clamp(elapsed / fadeSeconds, 0.0, 1.0);
        surface_->setFrame(between(from, to, eased(curve, time)));
        if (time < 1) return;
        animation_.invalidate();
        completion();
    });
}

void OperatorBar::visibilityChanged(bool visible) {
    onScreen_ = visible;
    if (!visible) {
        shownFlag_.set(false);
        stopWaitingForTheScreen();
        animation_.invalidate();
        return;
    }
    if (!awaitingScreen_) return;
    stopWaitingForTheScreen();
    shownFlag_.set(true);
}

void OperatorBar::stopWaitingForTheScreen() {
    awaitingScreen_ = false;
    screenLimit_.invalidate();
}

} // namespace tarvo
