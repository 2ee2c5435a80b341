// gtest comes before Xlib, whose macros None and Bool would break it.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/EwmhWorkspace.h"
#include "Platform/MacAppLister.h"
#include "Support/DesktopSessionTest.h"
#include "Support/DesktopSessionWait.h"
#include "Support/TemporaryFolder.h"
#include "Support/X11TestWindow.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/Spawn.h"

namespace tarvo {

void PrintTo(const RunningApp& app, std::ostream* stream) {
    std::ostream& out = *stream;
    out << "{" << app.name << ", " << app.bundleId.value_or("(none)") << ", " << app.pid
        << (app.frontmost ? ", front" : "") << (app.hidden ? ", hidden" : "") << ", [";
    for (const auto& title : app.windowTitles) out << "'" << title << "' ";
    out << "]}";
}

namespace {

using testing::X11TestWindow;

class MacAppListerTest : public testing::DesktopSessionTest {
protected:
    void SetUp() override {
        DesktopSessionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        std::filesystem::create_directories(data_ / "applications");
        AtomicFile::write(data_ / "applications" / "org.example.Fixture.desktop",
                          "[Desktop Entry]\nType=Application\nName=Fixture\nStartupWMClass=fixtureapp\nExec=true\n");
        AtomicFile::write(data_ / "applications" / "notes.desktop",
                          "[Desktop Entry]\nType=Application\nName=Notes Pad\nExec=true\n");
        events_ = std::make_shared<X11EventThread>(X11Display::open(), loop_);
    }

    std::unique_ptr<MacAppLister> lister() {
        return std::make_unique<MacAppLister>(
            events_, std::make_shared<EwmhDesktop>(desktop().display(), DesktopApplications({data_.path()})));
    }

    std::unique_ptr<X11TestWindow> window(const X11TestWindow::Options& options) {
        auto made = std::make_unique<X11TestWindow>(desktop().connection(), options);
        EXPECT_TRUE(made->waitUntilManaged()) << options.wmClass;
        return made;
    }

    RunLoop loop_;
    testing::TemporaryFolder data_;
    std::shared_ptr<X11EventThread> events_;
};

TEST_F(MacAppListerTest, ListsEachProcessWithAManagedWindowNamedByItsEntryAndItsShownTitlesFrontToBack) {
    const auto first = window({.pid = 501, .wmClass = "FixtureApp", .title = "First"});
    const auto untitled = window({.pid = 501, .wmClass = "FixtureApp"});
    const auto dock = window({.pid = 501, .wmClass = "FixtureApp", .title = "Dock", .type = "_NET_WM_WINDOW_TYPE_DOCK"});
    const auto utility =
        window({.pid = 501, .wmClass = "FixtureApp", .title = "Tools", .type = "_NET_WM_WINDOW_TYPE_UTILITY"});
    const auto anonymous = window({.pid = 502, .title = "Nameless"});
    const auto notes = window({.pid = 503, .wmClass = "NOTES", .title = "Shopping"});
    const auto minimised = window({.pid = 504, .wmClass = "Stranger", .title = "Away", .hidden = true});
    const auto panelOnly = window({.pid = 505, .wmClass = "Panel", .title = "Panel", .type = "_NET_WM_WINDOW_TYPE_DOCK"});
    const auto apps = lister();

    std::vector<RunningApp> expected{
        {"Fixture", "org.example.Fixture", 501, false, false, {"", "First"}},
        {"An app", std::nullopt, 502, false, false, {"Nameless"}},
        {"Notes Pad", "notes", 503, false, false, {"Shopping"}},
        {"Stranger", "Stranger", 504, false, true, {}},
    };
    EXPECT_EQ(runUntilDone(loop_, apps->runningApps()), expected);

    ASSERT_TRUE(notes->activate());
    expected[2].frontmost = true;
    EXPECT_EQ(runUntilDone(loop_, apps->runningApps()), expected);
}

TEST_F(MacAppListerTest, KnowsTheLastOtherApplicationInFrontOnlyWhileTheCompanionIsInFront) {
    const std::string own(bundleIdentifier);
    const auto companion = window({.pid = 600, .wmClass = own, .title = "Tarvo"});
    const auto a = window({.pid = 601, .wmClass = "Alpha", .title = "A"});
    const auto b = window({.pid = 602, .wmClass = "Beta", .title = "B"});
    ASSERT_TRUE(companion->activate());
    const auto apps = lister();
    // In front before any other application was.
    EXPECT_EQ(runUntilDone(loop_, apps->frontmostBeforeTarvo()), std::nullopt);

    // The lister reads the active window when it hears that it changed; it is heard on the loop.
    std::optional<Window> heard;
    X11Display& connection = events_->display();
    auto watch = events_->watch(connection.root(), [&](const XEvent& event) {
        if (event.type == PropertyNotify) heard = EwmhWorkspace::activeWindow(connection);
    });
    ASSERT_TRUE(a->activate());
    ASSERT_TRUE(testing::waitOnLoop(loop_, [&] { return heard == a->id(); }));
    ASSERT_TRUE(companion->activate());
    std::optional<std::int32_t> before;
    const auto heardOfA = [&] {
        before = runUntilDone(loop_, apps->frontmostBeforeTarvo());
        return before == 601;
    };
    EXPECT_TRUE(testing::waitOnLoop(loop_, heardOfA)) 
        << "answered " << before.value_or(-1) << " with window " << EwmhWorkspace::activeWindow(connection).value_or(0)
        << " active, the companion's " << companion->id();

    ASSERT_TRUE(b->activate());
    EXPECT_EQ(runUntilDone(loop_, apps->frontmostBeforeTarvo()), std::nullopt);
}

TEST(MacAppListerWithoutDisplay, ListsNothingAndKnowsNoEarlierApplication) {
    RunLoop loop;
    MacAppLister apps(nullptr, std::make_shared<EwmhDesktop>("", DesktopApplications({})));
    EXPECT_TRUE(runUntilDone(loop, apps.runningApps()).empty());
    EXPECT_EQ(runUntilDone(loop, apps.frontmostBeforeTarvo()), std::nullopt);
}

} // namespace
} // namespace tarvo
