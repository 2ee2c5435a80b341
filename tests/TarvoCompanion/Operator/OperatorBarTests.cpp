#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Support/CapturedPlainLog.h"
#include "Support/LoopWithFakeClock.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Operator/OperatorBar.h"

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using Frame = OperatorBarSurface::Frame;

// A window that does what it is told and reports itself on screen only when the test says the
// desktop did.
class FakeBarSurface final : public OperatorBarSurface {
public:
    bool display = true;
    Look desktopLook;
    Origin where{780, 8};
    bool visible = false;
    Frame current{};
    std::vector<Frame> frames;
    int fronts = 0;
    int outs = 0;

    bool canShow() const override { return display; }
    std::optional<Origin> place() override {
        current.origin = where;
        return where;
    }
    Look look() override { return desktopLook; }
    bool isVisible() const override { return visible; }
    Frame frame() const override { return current; }
    void setFrame(Frame frame) override {
        current = frame;
        frames.push_back(frame);
    }
    void orderFront() override {
        ++fronts;
        visible = true;
    }
    void orderOut() override {
        ++outs;
        visible = false;
    }

    void desktopReports(bool onScreen) { onVisibility(onScreen); }
};

struct BarTest : ::testing::Test {
    testing::LoopWithFakeClock f;
    std::shared_ptr<FakeBarSurface> surface = std::make_shared<FakeBarSurface>();
    OperatorBar bar{surface};

    bool isShown() { return runUntilDone(f.loop, bar.isShown()); }
};

TEST_F(BarTest, FadesInFromEightPixelsHigherAndCountsAsShownOnceTheDesktopSaysSo) {
    bar.show([] {});
    ASSERT_FALSE(surface->frames.empty());
    EXPECT_EQ(surface->frames.front(), (Frame{.alpha = 0, .origin = {780, 0}}));
    EXPECT_EQ(surface->fronts, 1);
    EXPECT_FALSE(isShown());

    surface->desktopReports(true);
    EXPECT_TRUE(isShown());

    f.loop.advance(96ms);
    // Ease-out: past the middle of the way in half the time.
    EXPECT_GT(surface->current.alpha, 0.6);
    EXPECT_LT(surface->current.alpha, 1.0);
    f.loop.advance(100ms);
    EXPECT_EQ(surface->current, (Frame{.alpha = 1, .origin = {780, 8}}));
    const auto settled = surface->frames.size();
    f.loop.advance(1s);
    EXPECT_EQ(surface->frames.size(), settled);
}

TEST_F(BarTest, IsNotShownFromTheFirstInstantOfHideAndLeavesTheScreenAfterTheFade) {
    bar.show([] {});
    surface->desktopReports(true);
    f.loop.advance(200ms);

    bar.hide();
    EXPECT_FALSE(isShown());
    f.loop.advance(96ms);
    // Ease-in: still most of the way visible halfway through.
    EXPECT_GT(surface->current.alpha, 0.4);
    EXPECT_EQ(surface->outs, 0);
    f.loop.advance(100ms);
    EXPECT_EQ(surface->current, (Frame{.alpha = 0, .origin = {780, 0}}));
    EXPECT_EQ(surface->outs, 1);
}

TEST_F(BarTest, AShowDuringTheFadeOutKeepsTheBarUpWithoutTheSlide) {
    bar.show([] {});
    surface->desktopReports(true);
    f.loop.advance(200ms);
    bar.hide();
    f.loop.advance(96ms);
    const Frame midway = surface->current;

    bar.show([] {});
    EXPECT_TRUE(isShown());
    f.loop.advance(1s);
    EXPECT_EQ(surface->outs, 0);
    EXPECT_EQ(surface->current, (Frame{.alpha = 1, .origin = {780, 8}}));
    // From where the fade-out had got to, never back to the top of the slide.
    for (auto frame = surface->frames.end() - 1; frame->alpha > midway.alpha; --frame) {
        EXPECT_GE(frame->origin.y, midway.origin.y);
    }
}

TEST_F(BarTest, WithReduceMotionShowsAndHidesAtOnceInItsPlace) {
    surface->desktopLook.reduceMotion = true;
    bar.show([] {});
    EXPECT_EQ(surface->frames, (std::vector<Frame>{{.alpha = 1, .origin = {780, 8}}}));
    surface->desktopReports(true);
    EXPECT_TRUE(isShown());

    bar.hide();
    EXPECT_EQ(surface->outs, 1);
    EXPECT_FALSE(isShown());
    f.loop.advance(1s);
    EXPECT_EQ(surface->frames.size(), 1u);
}

TEST_F(BarTest, IsShownOnlyWhileTheDesktopKeepsTheWindowOnScreen) {
    bar.show([] {});
    surface->desktopReports(true);
    surface->desktopReports(false);
    EXPECT_FALSE(isShown());

    // A desktop that never puts it on screen within a second leaves it not shown.
    surface->visible = false;
    testing::CapturedPlainLog log;
    bar.show([] {});
    f.loop.advance(1100ms);
    surface->desktopReports(true);
    EXPECT_FALSE(isShown());
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"tarvo: the desktop did not put the operating bar on screen within 1 s"}));
}

TEST_F(BarTest, StopRunsTheActionOfTheLatestShow) {
    std::vector<std::string> stops;
    bar.show([&] { stops.push_back("first"); });
    bar.show([&] { stops.push_back("second"); });
    surface->onStop();
    EXPECT_EQ(stops, (std::vector<std::string>{"second"}));
}

TEST(OperatorBarWithoutDisplay, IsNeverShownAndSaysSoOnce) {
    testing::LoopWithFakeClock f;
    auto surface = std::make_shared<FakeBarSurface>();
    surface->display = false;
    OperatorBar bar(surface);
    testing::CapturedPlainLog log;
    bar.show([] {});
    bar.show([] {});
    bar.hide();
    EXPECT_FALSE(runUntilDone(f.loop, bar.isShown()));
    EXPECT_EQ(surface->fronts + surface->outs + static_cast<int>(surface->frames.size()), 0);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"tarvo: the operating bar cannot be shown: there is no display"}));
}

} // namespace
} // namespace tarvo
