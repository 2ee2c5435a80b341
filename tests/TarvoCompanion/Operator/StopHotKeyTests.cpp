// gtest comes before Xlib, whose macros None and Bool would break it.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "Platform/X11EventThread.h"
#include "Support/CapturedPlainLog.h"
#include "Support/DesktopSessionTest.h"
#include "Support/DesktopSessionWait.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoCompanion/Operator/StopHotKey.h"

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using testing::waitOnLoop;

class StopHotKeyTests : public testing::DesktopSessionTest {
protected:
    void SetUp() override {
        DesktopSessionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        events = std::make_shared<X11EventThread>(X11Display::open(), loop);
        hotKey = std::make_unique<StopHotKey>(events);
    }
    void TearDown() override {
        hotKey.reset();
        events.reset();
    }

    // Presses and lets go of each key in turn, as fingers would, from the test's own connection.
    void type(const std::vector<KeySym>& keys) const {
        Display* display = desktop().connection().get();
        for (const KeySym key : keys) XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), True, 0);
        for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, *key), False, 0);
        }
        XSync(display, False);
    }
    void pressTheCombination() const { type({XK_Control_L, XK_Alt_L, XK_Super_L, XK_period}); }

    // Waits a while for presses that should not come.
    void settle() { waitOnLoop(loop, [] { return false; }, 300ms); }

    RunLoop loop;
    std::shared_ptr<X11EventThread> events;
    std::unique_ptr<StopHotKey> hotKey;
    int presses = 0;
};

TEST_F(StopHotKeyTests, ThePressRunsOnceAlsoWithCapsLockOrNumLockOn) {
    hotKey->grab([this] { ++presses; });
    hotKey->grab([this] { ++presses; });
    ASSERT_TRUE(hotKey->isRegistered());

    pressTheCombination();
    ASSERT_TRUE(waitOnLoop(loop, [&] { return presses >= 1; }));
    for (const KeySym lock : {XK_Caps_Lock, XK_Num_Lock}) {
        type({lock});
        pressTheCombination();
        type({lock});
    }
    ASSERT_TRUE(waitOnLoop(loop, [&] { return presses >= 3; }));
    // Period alone, or with one modifier short, is no stop.
    type({XK_Control_L, XK_Alt_L, XK_period});
    type({XK_period});
    settle();
    EXPECT_EQ(presses, 3);
}

TEST_F(StopHotKeyTests, AfterReleasingTheKeysDoNothingAndAreFreeForOthers) {
    hotKey->grab([this] { ++presses; });
    hotKey->release();
    EXPECT_FALSE(hotKey->isRegistered());
    pressTheCombination();
    settle();
    EXPECT_EQ(presses, 0);

    const auto other = X11Display::open();
    const auto errors = other->checked([](Display* display) {
        for (const unsigned int lock : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)}) {
            XGrabKey(display, XKeysymToKeycode(display, XK_period), ControlMask | Mod1Mask | Mod4Mask | lock,
                     DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync);
        }
    });
    EXPECT_TRUE(errors.empty());
}

TEST_F(StopHotKeyTests, ACombinationAnotherProgramHoldsIsLoggedAndTakenOnceItLetsGo) {
    auto holder = X11Display::open();
    ASSERT_TRUE(holder->checked([](Display* display) {
                          XGrabKey(display, XKeysymToKeycode(display, XK_period),
                                   ControlMask | Mod1Mask | Mod4Mask | Mod2Mask, DefaultRootWindow(display), False,
                                   GrabModeAsync, GrabModeAsync);
                      }).empty());
    testing::CapturedPlainLog log;
    hotKey->grab([this] { ++presses; });
    hotKey->grab([this] { ++presses; });
    EXPECT_FALSE(hotKey->isRegistered());
    EXPECT_EQ(log.lines(), (std::vector<std::string>(2, "tarvo: the stop hot key Control-Alt-Super-period is held by "
                                                        "another program; it is tried again when the next run starts")));

    holder.reset();
    hotKey->grab([this] { ++presses; });
    ASSERT_TRUE(hotKey->isRegistered());
    pressTheCombination();
    ASSERT_TRUE(waitOnLoop(loop, [&] { return presses >= 1; }));
    settle();
    // The refused raises left nothing behind to run the stop a second time.
    EXPECT_EQ(presses, 1);
}

TEST(StopHotKeyWithoutDisplay, DoesNothingAndSaysSoOnce) {
    RunLoop loop;
    StopHotKey hotKey(nullptr);
    testing::CapturedPlainLog log;
    hotKey.grab([] {});
    hotKey.grab([] {});
    hotKey.release();
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"tarvo: the stop hot key cannot be grabbed: there is no display"}));
}

} // namespace
} // namespace tarvo
