// gtest comes before Xlib, whose macros None and Bool would break it.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Platform/ApplicationFinder.h"
#include "Platform/DesktopEntry.h"
#include "Platform/LinuxProcessRunner.h"
#include "Support/DesktopSessionTest.h"
#include "Support/DesktopSessionWait.h"
#include "Support/LoopWithFakeClock.h"
#include "Support/TemporaryFolder.h"
#include "Support/X11TestWindow.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;
using testing::waitOnLoop;
using testing::X11TestWindow;

void writeEntry(const fs::path& folder, const std::string& file, const std::string& lines) {
    fs::create_directories(folder / "applications" / fs::path(file).parent_path());
    AtomicFile::write(folder / "applications" / file, "[Desktop Entry]\n" + lines);
}

// What an `open` spawned on the loop came to.
struct Opening {
    std::optional<RunningApp> app;
    std::optional<std::string> failure;
    bool done = false;
};

class ApplicationFinderTest : public testing::DesktopSessionTest {
protected:
    void SetUp() override {
        DesktopSessionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // The test window program where an entry's path needs quoting.
        const fs::path quoted = folder_ / "it's \"here\"";
        fs::create_directories(quoted);
        program_ = quoted / "test window";
        fs::copy_file(TARVO_TEST_WINDOW, program_);
        fs::permissions(program_, fs::perms::owner_all);
        const std::string exec = DesktopEntry::quotedArgument(program_.string());

        writeEntry(home(), "fixture.desktop", "Type=Application\nName=Fixture Tool\nExec=" + exec + " fixture Fixture %U\n");
        writeEntry(home(), "shy.desktop", "Type=Application\nName=Shy\nExec=" + exec + " shy Shy --no-focus\n");
        writeEntry(home(), "nameless.desktop", "Type=Application\nExec=true\n");
        writeEntry(home(), "gone.desktop", "Type=Application\nName=Gone\nHidden=true\nExec=true\n");
        writeEntry(home(), "masked.desktop", "Type=Application\nName=Masked\nHidden=true\n");
        writeEntry(system(), "masked.desktop", "Type=Application\nName=Masked\nExec=true\n");
        writeEntry(system(), "site.desktop", "Type=Link\nName=Site\nURL=https://x.test/\n");
        writeEntry(system(), "broken.desktop", "Type=Application\nName=Broken\nExec=/nowhere/at/all\n");
        writeEntry(system(), "org.example.Viewer.desktop", "Type=Application\nName=Viewer\nExec=true\n");
        // Listed first, by a Name that is the other's id.
        writeEntry(home(), "aaa.desktop", "Type=Application\nName=org.example.Viewer\nExec=true\n");
        writeEntry(system(), "kde/editor.desktop", "Type=Application\nName=Editor\nExec=true\n");

        desktop_ = std::make_shared<EwmhDesktop>(desktop().display(), DesktopApplications({home(), system()}));
        finder_ = std::make_unique<ApplicationFinder>(desktop_, std::make_shared<LinuxProcessRunner>(), "");
    }

    fs::path home() const { return folder_ / "home"; }
    fs::path system() const { return folder_ / "system"; }

    std::unique_ptr<X11TestWindow> window(const X11TestWindow::Options& options) {
        auto made = std::make_unique<X11TestWindow>(desktop().connection(), options);
        EXPECT_TRUE(made->waitUntilManaged());
        return made;
    }

    void startOpening(const std::string& app) {
        auto body = [](ApplicationFinder* finder, std::string app, Opening* into) -> Task<void> {
            try {
                into->app = co_await finder->open(std::move(app));
            } catch (const OperatorPortFailure& failure) {
                into->failure = failure.description();
            }
            into->done = true;
        };
        spawn(body(finder_.get(), app, &opening_));
    }

    // The window of the class, once the window manager manages it (and makes it active, if so).
    std::optional<EwmhWorkspace::Client> managedWindow(const std::string& wmClass, bool active) {
        std::optional<EwmhWorkspace::Client> found;
        waitOnLoop(
            fake_.loop,
            [&] {
                const auto now = EwmhWorkspace::read(desktop().connection());
                for (const auto& client : now.clients) {
                    if (client.wmClass == wmClass && client.viewable && (!active || now.active == client.window)) {
                        found = client;
                    }
                }
                return found.has_value();
            },
            std::chrono::seconds(20));
        return found;
    }

    std::optional<Acting::ResolvedApp> resolve(const std::string& app) {
        return runUntilDoneOnWorkers(finder_->resolve(app));
    }

    template <class T>
    T runUntilDoneOnWorkers(Task<T> task) {
        std::optional<T> result;
        auto body = [](Task<T> inner, std::optional<T>* into) -> Task<void> { into->emplace(co_await std::move(inner)); };
        spawn(body(std::move(task), &result));
        EXPECT_TRUE(waitOnLoop(fake_.loop, [&] { return result.has_value(); }));
        return result.value_or(T{});
    }

    testing::LoopWithFakeClock fake_;
    testing::TemporaryFolder folder_;
    fs::path program_;
    std::shared_ptr<EwmhDesktop> desktop_;
    std::unique_ptr<ApplicationFinder> finder_;
    Opening opening_;
};

TEST_F(ApplicationFinderTest, ANameMeansARunningApplicationThenAnIdAsGivenThenAnEntryByIdOrName) {
    const auto running = window({.pid = 701, .wmClass = "Runner", .title = "Run"});
    using Resolved = std::optional<Acting::ResolvedApp>;
    const Resolved fixture = Acting::ResolvedApp{"Fixture Tool", "fixture"};
    const struct {
        std::string name;
        Resolved expected;
    } cases[] = {
        {"  rUNNER ", Acting::ResolvedApp{"Runner", "Runner"}},
        // An id with a full stop is looked up as a file before any folder is listed.
        {"org.example.Viewer", Acting::ResolvedApp{"Viewer", "org.example.Viewer"}},
        {"fixture", fixture},
        {"FIXTURE.desktop", fixture},
        {" fixture tool ", fixture},
        {"Fixture Tool.app", fixture},
        {"nameless", Acting::ResolvedApp{"nameless", "nameless"}},
        {"kde-editor", Acting::ResolvedApp{"Editor", "kde-editor"}},
        {"gone", std::nullopt},
        // Hidden where the user's own folder has it, though another folder has it shown.
        {"masked", std::nullopt},
        {"site", std::nullopt},
        {"nothing like it", std::nullopt},
        {"   ", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(resolve(c.name), c.expected);
    }
}

TEST_F(ApplicationFinderTest, OpensAnEntrysProgramAsAnArgumentListAndAnswersItOnceInFront) {
    startOpening("Fixture Tool");
    const auto started = managedWindow("fixture", true);
    ASSERT_TRUE(started && started->pid);
    for (int pauses = 0; !opening_.done && pauses < 2; ++pauses) fake_.loop.advance(ApplicationFinder::pauseBetweenChecks);
    ASSERT_TRUE(opening_.done);
    ::kill(*started->pid, SIGTERM);
    ASSERT_TRUE(opening_.app) << opening_.failure.value_or("");
    EXPECT_EQ(*opening_.app, (RunningApp{"Fixture Tool", "fixture", *started->pid, true, false, {}}));
    EXPECT_EQ(started->title, "Fixture");
}

TEST_F(ApplicationFinderTest, AProgramThatNeverComesToTheFrontFailsAfterTheLastPause) {
    startOpening("shy");
    const auto started = managedWindow("shy", false);
    ASSERT_TRUE(started && started->pid);
    for (int pauses = 1; pauses < ApplicationFinder::pausesBeforeGivingUp; ++pauses) {
        fake_.loop.advance(ApplicationFinder::pauseBetweenChecks);
        ASSERT_FALSE(opening_.done) << pauses;
    }
    fake_.loop.advance(ApplicationFinder::pauseBetweenChecks);
    ::kill(*started->pid, SIGTERM);
    ASSERT_TRUE(opening_.done);
    EXPECT_EQ(opening_.failure, "shy opened but did not come to the front, so nothing more was done.");
}

TEST_F(ApplicationFinderTest, ARunningApplicationIsBroughtForwardNotStartedAgain) {
    // Its entry names a program that does not exist: starting it would fail.
    writeEntry(home(), "runner.desktop", "Type=Application\nName=Runner Pad\nExec=/nowhere/runner\n");
    const auto runner = window({.pid = 702, .wmClass = "runner", .title = "Run"});
    const auto other = window({.pid = 703, .wmClass = "Other", .title = "Other"});
    ASSERT_TRUE(other->activate());
    EXPECT_EQ(runUntilDoneOnWorkers(finder_->front()), (RunningApp{"Other", "Other", 703, true, false, {}}));

    startOpening("runner pad");
    ASSERT_TRUE(managedWindow("runner", true));
    for (int pauses = 0; !opening_.done && pauses < 2; ++pauses) fake_.loop.advance(ApplicationFinder::pauseBetweenChecks);
    ASSERT_TRUE(opening_.done);
    EXPECT_EQ(opening_.app, (RunningApp{"Runner Pad", "runner", 702, true, false, {}})) << opening_.failure.value_or("");
}

TEST_F(ApplicationFinderTest, SaysWhatWentWrongWithTheNameAsSent) {
    for (const auto& [name, sentence] : {std::pair<std::string, std::string>{"Nothing Like It", "Nothing Like It is not on this Mac."},
                                         {" Broken ", " Broken  could not be opened."}}) {
        opening_ = {};
        startOpening(name);
        ASSERT_TRUE(waitOnLoop(fake_.loop, [&] { return opening_.done; }));
        EXPECT_EQ(opening_.failure, sentence);
    }
    EXPECT_EQ(runUntilDoneOnWorkers(finder_->front()), std::nullopt);
}

} // namespace
} // namespace tarvo
