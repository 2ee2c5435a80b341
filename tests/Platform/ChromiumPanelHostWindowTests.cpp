// gtest comes before Xlib, whose macros None and Bool would break it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "Platform/ChromiumPanelHost.h"
#include "Platform/X11Property.h"
#include "Support/DesktopSessionTest.h"
#include "Support/FakeService.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::FakeService;
using testing::ScriptedAnswer;
using testing::TemporaryFolder;

// Long enough for a real browser to put up a window on a busy machine.
constexpr auto patience = 60s;

struct NothingOpened final : Opener {
    void open(const std::string&) override {}
};

struct NothingSaved final : SavedFiles {
    explicit NothingSaved(fs::path folder) : folder(std::move(folder)) {}
    fs::path downloadsFolder() const override { return folder; }
    std::optional<std::string> markDownloaded(const fs::path&, const std::optional<std::string>&,
                                              const std::optional<std::string>&) override {
        return std::nullopt;
    }
    std::optional<std::string> typeOfExtension(const std::string&) const override { return std::nullopt; }
    void open(const fs::path&) override {}
    void reveal(const fs::path&) override {}
    fs::path folder;
};

// A window the window manager keeps, as the test's own connection sees it.
struct ManagedWindow {
    std::string windowClass;
    std::optional<long> pid;
    int width = 0;
    int height = 0;
    bool viewable = false;
};

std::vector<Window> clientList(X11Display& x) {
    return X11Property::read(x, x.root(), "_NET_CLIENT_LIST", XA_WINDOW).items<Window>();
}

ManagedWindow describe(X11Display& x, Window window) {
    ManagedWindow managed;
    XClassHint hint{};
    if (XGetClassHint(x.get(), window, &hint)) {
        managed.windowClass = hint.res_class ? hint.res_class : "";
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    if (const auto pid = X11Property::read(x, window, "_NET_WM_PID", XA_CARDINAL).items<long>(); pid.size() == 1) {
        managed.pid = pid.front();
    }
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(x.get(), window, &attributes)) {
        managed.width = attributes.width;
        managed.height = attributes.height;
        managed.viewable = attributes.map_state == IsViewable;
    }
    return managed;
}

// The companion's window once the window manager shows it; nothing when it never does.
Task<std::optional<Window>> companionWindowShown(X11Display& x) {
    const auto giveUp = RunLoop::current().clock().now() + patience;
    for (;;) {
        for (const Window window : clientList(x)) {
            const ManagedWindow managed = describe(x, window);
            if (managed.windowClass == "com.tarvo.companion" && managed.viewable) co_return window;
        }
        if (RunLoop::current().clock().now() > giveUp) co_return std::nullopt;
        co_await sleepFor(50ms);
    }
}

// Whether `window` came to be on screen (or off it) within the patience.
Task<bool> viewableOnceItIs(X11Display& x, Window window, bool viewable) {
    const auto giveUp = RunLoop::current().clock().now() + patience;
    while (describe(x, window).viewable != viewable) {
        if (RunLoop::current().clock().now() > giveUp) co_return false;
        co_await sleepFor(50ms);
    }
    co_return true;
}

class ChromiumPanelHostWindowTest : public testing::DesktopSessionTest {};

TEST_F(ChromiumPanelHostWindowTest, OnADisplayThePanelIsAWindowOfTheCompanionsClassShownAndHiddenWithItsModel) {
    RunLoop loop;
    TemporaryFolder profile;
    TemporaryFolder downloads;
    FakeService service;
    service.answer("GET", "/app",
                   ScriptedAnswer{.status = 200,
                                  .body = "<title>panel</title><p>the web application</p>",
                                  .headers = {{"Content-Type", "text/html; charset=utf-8"}}});
    auto host = std::make_shared<ChromiumPanelHost>(
        ChromiumPanelHost::Options{.profileFolder = profile.path(), .window = std::pair(1100, 760)},
        std::make_shared<CookieJar>(), std::make_shared<NothingSaved>(downloads.path()));
    host->useNavigation(std::make_shared<PanelNavigation>(
        *WebAddress::parse(service.baseURL() + "/app"), [] {}, [] {}, [] {}, std::make_shared<NothingOpened>()));
    X11Display& x = desktop().connection();

    host->show();
    runUntilDone(loop, host->navigate(service.baseURL() + "/app", patience));
    const std::optional<Window> window = runUntilDone(loop, companionWindowShown(x));
    ASSERT_TRUE(window.has_value());
    const ManagedWindow shown = describe(x, *window);
    ASSERT_TRUE(host->browserProcess().has_value());
    EXPECT_EQ(shown.pid, static_cast<long>(*host->browserProcess()));
    EXPECT_EQ(std::pair(shown.width, shown.height), std::pair(1100, 760));
    EXPECT_EQ(runUntilDone(loop, host->currentAddress(patience)), service.baseURL() + "/app");

    // Hidden, the window stays the window manager's with its page, off the screen.
    host->hide();
    EXPECT_TRUE(runUntilDone(loop, viewableOnceItIs(x, *window, false)));
    const std::vector<Window> kept = clientList(x);
    EXPECT_NE(std::find(kept.begin(), kept.end(), *window), kept.end());
    host->show();
    EXPECT_TRUE(runUntilDone(loop, viewableOnceItIs(x, *window, true)));
}

} // namespace
} // namespace tarvo
