// gtest comes before Xlib, whose macros None and Bool would break it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "Platform/X11EventThread.h"
#include "Platform/X11OperatorBarSurface.h"
#include "Platform/X11Property.h"
#include "Support/DesktopSessionTest.h"
#include "Support/DesktopSessionWait.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Operator/OperatorBar.h"

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using testing::waitOnLoop;

std::vector<Window> windowsProperty(X11Display& display, const char* name) {
    return X11Property::read(display, display.root(), name, XA_WINDOW).items<Window>();
}

class OperatorBarDesktopTests : public testing::DesktopSessionTest {
protected:
    void SetUp() override {
        DesktopSessionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        events = std::make_shared<X11EventThread>(X11Display::open(), loop);
        surface = std::make_shared<X11OperatorBarSurface>(events);
        bar = std::make_unique<OperatorBar>(surface);
    }
    void TearDown() override {
        bar.reset();
        surface.reset();
        events.reset();
    }

    bool isShown() { return runUntilDone(loop, bar->isShown()); }
    bool showAndWait() {
        bar->show([this] { ++stops; });
        return waitOnLoop(loop, [&] { return isShown(); });
    }
    // The bar's top-left corner on the screen, as the test's own connection sees it.
    std::pair<int, int> barPosition() const {
        X11Display& x = desktop().connection();
        int rootX = 0, rootY = 0;
        Window child = None;
        XTranslateCoordinates(x.get(), surface->window(), x.root(), 0, 0, &rootX, &rootY, &child);
        return {rootX, rootY};
    }
    Window normalWindow(int left, int top) const {
        X11Display& x = desktop().connection();
        const Window window = XCreateSimpleWindow(x.get(), x.root(), left, top, 600, 200, 0, 0, 0);
        XSizeHints hints{};
        hints.flags = USPosition;
        hints.x = left;
        hints.y = top;
        XSetWMNormalHints(x.get(), window, &hints);
        XWMHints wm{};
        wm.flags = InputHint | StateHint;
        wm.input = True;
        wm.initial_state = NormalState;
        XSetWMHints(x.get(), window, &wm);
        XMapRaised(x.get(), window);
        XSync(x.get(), False);
        return window;
    }
    // Whether the window manager has taken the window in and put it on screen: until then it
    // ignores requests about it, such as making it the active one.
    bool managed(Window window) const {
        X11Display& x = desktop().connection();
        const auto clients = windowsProperty(x, "_NET_CLIENT_LIST");
        XWindowAttributes attributes{};
        return std::find(clients.begin(), clients.end(), window) != clients.end() &&
               XGetWindowAttributes(x.get(), window, &attributes) && attributes.map_state == IsViewable;
    }
    void click(int x, int y) const {
        Display* display = desktop().connection().get();
        XTestFakeMotionEvent(display, -1, x, y, 0);
        XTestFakeButtonEvent(display, 1, True, 0);
        XTestFakeButtonEvent(display, 1, False, 0);
        XSync(display, False);
    }

    RunLoop loop;
    std::shared_ptr<X11EventThread> events;
    std::shared_ptr<X11OperatorBarSurface> surface;
    std::unique_ptr<OperatorBar> bar;
    int stops = 0;
};

TEST_F(OperatorBarDesktopTests, AppearsAtTheTopCentreWithoutTakingTheFocusAndStaysAboveOthers) {
    X11Display& x = desktop().connection();
    const Window before = normalWindow(100, 100);
    ASSERT_TRUE(waitOnLoop(loop, [&] { return managed(before); }));
    XEvent activate{};
    activate.xclient.type = ClientMessage;
    activate.xclient.window = before;
    activate.xclient.message_type = x.atom("_NET_ACTIVE_WINDOW");
    activate.xclient.format = 32;
    activate.xclient.data.l[0] = 2;
    XSendEvent(x.get(), x.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &activate);
    XSync(x.get(), False);
    ASSERT_TRUE(waitOnLoop(loop, [&] { return windowsProperty(x, "_NET_ACTIVE_WINDOW") == std::vector{before}; }));

    ASSERT_TRUE(showAndWait());
    ASSERT_TRUE(waitOnLoop(loop, [&] { return barPosition() == std::pair{780, 8}; }))
        << barPosition().first << "," << barPosition().second;
    EXPECT_EQ(windowsProperty(x, "_NET_ACTIVE_WINDOW"), std::vector{before});

    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(x.get(), surface->window(), &hint));
    EXPECT_STREQ(hint.res_class, "com.tarvo.companion");
    XFree(hint.res_name);
    XFree(hint.res_class);

    const Window over = normalWindow(700, 0);
    ASSERT_TRUE(waitOnLoop(loop, [&] { return managed(over); }));
    XRaiseWindow(x.get(), over);
    XSync(x.get(), False);
    ASSERT_TRUE(waitOnLoop(loop, [&] {
        const auto stacking = windowsProperty(x, "_NET_CLIENT_LIST_STACKING");
        return stacking.size() == 3 && stacking.back() == surface->window();
    }));
}

TEST_F(OperatorBarDesktopTests, AClickOnStopRunsTheStopOnce) {
    ASSERT_TRUE(showAndWait());
    ASSERT_TRUE(waitOnLoop(loop, [&] { return barPosition() == std::pair{780, 8}; }));
    // Elsewhere on the bar nothing happens.
    click(780 + 40, 8 + 20);
    click(780 + X11OperatorBarSurface::width - 30, 8 + 20);
    ASSERT_TRUE(waitOnLoop(loop, [&] { return stops > 0; }));
    waitOnLoop(loop, [] { return false; }, 300ms);
    EXPECT_EQ(stops, 1);
}

TEST_F(OperatorBarDesktopTests, HideCountsAtOnceAndAShowDuringTheFadeKeepsItUp) {
    ASSERT_TRUE(showAndWait());
    bar->hide();
    EXPECT_FALSE(isShown());
    bar->show([] {});
    EXPECT_TRUE(isShown());
    waitOnLoop(loop, [] { return false; }, 400ms);
    EXPECT_TRUE(isShown());
    EXPECT_TRUE(surface->isVisible());

    bar->hide();
    ASSERT_TRUE(waitOnLoop(loop, [&] { return !surface->isVisible(); }));
    EXPECT_FALSE(isShown());
    ASSERT_TRUE(showAndWait());
}

TEST_F(OperatorBarDesktopTests, ALostXServerTakesTheBarDownAndTheLoopRunsOn) {
    ASSERT_TRUE(showAndWait());
    desktop().stopXServer();
    ASSERT_TRUE(waitOnLoop(loop, [&] { return !isShown(); }));
    EXPECT_FALSE(surface->canShow());
    bar->hide();
    bar->show([] {});
    EXPECT_FALSE(isShown());
    bool ran = false;
    loop.post([&] { ran = true; });
    EXPECT_TRUE(waitOnLoop(loop, [&] { return ran; }));
}

class OperatorBarWithoutWindowManagerTests : public OperatorBarDesktopTests {
protected:
    testing::DesktopSession::Options desktopOptions() const override { return {.windowManager = false}; }
};

TEST_F(OperatorBarWithoutWindowManagerTests, PlacesItselfOnTheMonitorAndRisesAgainWhenCovered) {
    ASSERT_TRUE(showAndWait());
    ASSERT_TRUE(waitOnLoop(loop, [&] { return barPosition() == std::pair{780, 8}; }));
    X11Display& x = desktop().connection();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window cover = XCreateWindow(x.get(), x.root(), 700, 0, 600, 100, 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWOverrideRedirect, &attributes);
    XMapRaised(x.get(), cover);
    XSync(x.get(), False);
    ASSERT_TRUE(waitOnLoop(loop, [&] {
        Window root = None, parent = None, *children = nullptr;
        unsigned int count = 0;
        XQueryTree(x.get(), x.root(), &root, &parent, &children, &count);
        const bool onTop = count > 0 && children[count - 1] == surface->window();
        if (children) XFree(children);
        return onTop;
    }));
}

} // namespace
} // namespace tarvo
