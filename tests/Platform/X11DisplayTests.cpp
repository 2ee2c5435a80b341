// gtest comes before Xlib, whose macros None and Bool would break it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "Platform/X11Display.h"
#include "Platform/X11DisplayPower.h"
#include "Platform/X11EventThread.h"
#include "Support/DesktopSessionTest.h"
#include "Support/DesktopSessionWait.h"
#include "TarvoBase/RunLoop.h"

namespace tarvo {
namespace {

using testing::DesktopSessionTest;
using testing::waitOnLoop;

class X11DisplayTests : public DesktopSessionTest {};

// A window manager would come between a window and its mapping; these tests are of the thread.
class X11EventThreadTests : public DesktopSessionTest {
protected:
    testing::DesktopSession::Options desktopOptions() const override { return {.windowManager = false}; }
};

TEST(X11DisplayWithoutServer, OpensNothingWhereNoDisplayIsNamedOrNoneAnswers) {
    EXPECT_EQ(X11Display::open(":999"), nullptr);
}

TEST_F(X11DisplayTests, AnErrorIsRecordedAgainstTheRequestThatCausedItAndEndsNothing) {
    const auto holder = X11Display::open();
    const auto other = X11Display::open();
    ASSERT_TRUE(holder && other);
    const auto grab = [](Display* display) {
        XGrabKey(display, XKeysymToKeycode(display, XK_period), ControlMask | Mod1Mask | Mod4Mask,
                 DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync);
    };
    EXPECT_TRUE(holder->checked(grab).empty());

    const auto refused = other->checked(grab);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].errorCode, BadAccess);
    EXPECT_EQ(refused[0].requestCode, 33); // X_GrabKey

    // An error nobody waited for stays in the record, apart from the next check's own.
    XMapWindow(other->get(), 0x7fffff);
    EXPECT_TRUE(other->checked([](Display*) {}).empty());
    const auto left = other->takeErrors();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].errorCode, BadWindow);
    EXPECT_EQ(left[0].resource, 0x7fffffu);
    EXPECT_TRUE(other->takeErrors().empty());
    EXPECT_TRUE(holder->takeErrors().empty());
}

TEST_F(X11EventThreadTests, HandsAWindowsEventsToItsWatchersOnTheLoop) {
    RunLoop loop;
    X11EventThread events(X11Display::open(), loop);
    Display* display = events.display().get();
    const Window window = XCreateSimpleWindow(display, events.display().root(), 0, 0, 50, 50, 0, 0, 0);
    XSelectInput(display, window, StructureNotifyMask);

    std::vector<int> seen;
    const std::thread::id loopThread = std::this_thread::get_id();
    bool onLoopThread = true;
    auto watch = events.watch(window, [&](const XEvent& event) {
        seen.push_back(event.type);
        onLoopThread = onLoopThread && std::this_thread::get_id() == loopThread;
    });
    std::vector<int> others;
    auto otherWatch = events.watch(events.display().root(), [&](const XEvent& event) { others.push_back(event.type); });
    XMapWindow(display, window);
    XFlush(display);
    const auto mapped = [&] { return std::find(seen.begin(), seen.end(), MapNotify) != seen.end(); };
    ASSERT_TRUE(waitOnLoop(loop, mapped)) << ::testing::PrintToString(seen);
    EXPECT_TRUE(onLoopThread);
    EXPECT_TRUE(others.empty());

    watch.reset();
    seen.clear();
    XUnmapWindow(display, window);
    XFlush(display);
    waitOnLoop(loop, [] { return false; }, std::chrono::milliseconds(300));
    EXPECT_TRUE(seen.empty());
}

TEST_F(X11DisplayTests, ALostServerEndsOnlyTheXSide) {
    RunLoop loop;
    X11EventThread events(X11Display::open(), loop);
    int lost = 0;
    auto watch = events.watch(events.display().root(), [](const XEvent&) {}, [&] { ++lost; });

    desktop().stopXServer();
    ASSERT_TRUE(waitOnLoop(loop, [&] { return lost > 0; }));
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(events.lost());
    EXPECT_TRUE(events.display().lost());
    EXPECT_TRUE(events.display().checked([](Display* display) { XNoOp(display); }).empty());
    EXPECT_EQ(events.display().atom("WM_NAME"), static_cast<Atom>(None));
}

// Xvfb has no DPMS, so whether its displays sleep is unknown; the screen saver is there.
TEST_F(X11DisplayTests, DisplayPowerAsksTheServerAndNothingOnceItIsGone) {
    EXPECT_EQ(X11DisplayPower::asleep(desktop().display()), std::nullopt);
    EXPECT_TRUE(X11DisplayPower::declareActivity(desktop().display()));
    EXPECT_FALSE(X11DisplayPower::declareActivity(""));

    desktop().stopXServer();
    EXPECT_EQ(X11DisplayPower::asleep(desktop().display()), std::nullopt);
    EXPECT_FALSE(X11DisplayPower::declareActivity(desktop().display()));
}

} // namespace
} // namespace tarvo
