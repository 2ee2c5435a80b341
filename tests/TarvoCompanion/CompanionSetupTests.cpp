#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CompanionTest.h"
#include "Platform/LinuxProcessRunner.h"
#include "Platform/XdgLoginItem.h"
#include "ScriptedAlertPresenter.h"
#include "Support/CapturedPlainLog.h"
#include "Support/StandInProgram.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/FileDescriptor.h"
#include "TarvoClient/MemoryHttpTransport.h"

namespace tarvo::testing {
namespace {

namespace fs = std::filesystem;

class CompanionSetupTest : public CompanionTest {
protected:
    // The usual companion, its services changed by `adjust`.
    std::shared_ptr<ScriptedCompanion> companionWith(const std::function<void(Companion::Services&)>& adjust) {
        Companion::Services services = usualServices();
        services.quit = [this] { ++quits; };
        adjust(services);
        return std::make_shared<ScriptedCompanion>(std::move(services), script);
    }

    bool hasLine(const CapturedPlainLog& log, const std::string& start) const {
        const auto lines = log.lines();
        return std::ranges::any_of(lines, [&](const std::string& line) { return line.starts_with(start); });
    }

    int quits = 0;
};

// The first line written to `fifo`, or "" when nothing comes within a minute.
std::string firstReport(const FileDescriptor& fifo) {
    pollfd waiting{fifo.get(), POLLIN, 0};
    if (::poll(&waiting, 1, 60000) != 1) return {};
    std::string text(4096, '\0');
    const ssize_t got = ::read(fifo.get(), text.data(), text.size());
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

TEST_F(CompanionSetupTest, ARelaunchStartsTheProgramByItsPathAloneAndThenQuits) {
    const fs::path hit = folder / "hit";
    const fs::path hostile = folder / ("q\"$(touch " + hit.string() + ")`touch " + hit.string() + "`'");
    fs::create_directories(hostile);
    const std::string fifo = (folder / "report").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const FileDescriptor report(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    const std::string program = writeStandIn(hostile / "tarvo-companion", "printf '%s|%s\\n' \"$0\" \"$*\" > " + fifo);
    const auto companion = companionWith([&](Companion::Services& services) {
        services.processRunner = std::make_shared<LinuxProcessRunner>();
        services.executablePath = program;
    });

    companion->relaunchForPermission();

    EXPECT_EQ(firstReport(report), program + "|--relaunched\n");
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(fs::exists(hit)) << "a piece of the path ran as a command";
}

TEST_F(CompanionSetupTest, ARelaunchThatCannotStartLeavesTheProgramRunning) {
    const CapturedPlainLog log;
    const auto companion = companionWith([&](Companion::Services& services) {
        services.processRunner = std::make_shared<LinuxProcessRunner>();
        services.executablePath = (folder / "gone" / "tarvo-companion").string();
    });

    companion->relaunchForPermission();

    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(hasLine(log, "tarvo: could not start a new copy of Tarvo, so this one keeps running: " +
                                 (folder / "gone" / "tarvo-companion").string() + " is not on this computer"))
        << ::testing::PrintToString(log.lines());
}

TEST_F(CompanionSetupTest, TheLoginQuestionIsAskedOnceAndAYesWritesTheAutostartEntryOnce) {
    auto alerts = std::make_shared<ScriptedAlertPresenter>();
    std::vector<std::optional<Json>> askedWhenShown;
    alerts->onPresent = [&] { askedWhenShown.push_back(defaults->object(Companion::askedAboutLoginKey)); };
    const auto item =
        std::make_shared<XdgLoginItem>("/opt/tarvo dir/tarvo-companion", folder / "config", folder / "data");
    const auto companion = companionWith([&](Companion::Services& services) {
        services.alerts = alerts;
        services.loginItem = item;
    });

    companion->offerToStartAtLogin();
    ASSERT_TRUE(fs::exists(item->autostartFile()));
    const std::string autostart = AtomicFile::read(item->autostartFile());
    fs::remove(item->autostartFile());
    companion->offerToStartAtLogin();

    ASSERT_EQ(alerts->presented.size(), 1u);
    EXPECT_EQ(alerts->presented[0].messageText, "Open Tarvo when you log in?");
    EXPECT_EQ(alerts->presented[0].buttons,
              (std::vector<std::string>{"Yes, open it at login", "No, I will open it myself"}));
    EXPECT_EQ(askedWhenShown, (std::vector<std::optional<Json>>{Json(true)}));
    EXPECT_FALSE(fs::exists(item->autostartFile())) << "written a second time";
    EXPECT_EQ(autostart, "[Desktop Entry]\nType=Application\nName=Tarvo\nExec=\"/opt/tarvo dir/tarvo-companion\"\n"
                         "X-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(AtomicFile::read(item->schemeHandlerFile()),
              "[Desktop Entry]\nType=Application\nName=Tarvo\nExec=\"/opt/tarvo dir/tarvo-companion\" %u\n"
              "MimeType=x-scheme-handler/tarvo;\nNoDisplay=true\n");
    EXPECT_EQ(companion->state().blockedReason, std::nullopt);
}

TEST_F(CompanionSetupTest, ALoginItemThatCannotBeWrittenIsLoggedAndShownAsTheBlockedReason) {
    const CapturedPlainLog log;
    auto alerts = std::make_shared<ScriptedAlertPresenter>();
    AtomicFile::write(folder / "config", "a file where the folder should be");
    const auto item = std::make_shared<XdgLoginItem>("/opt/tarvo", folder / "config", folder / "data");
    const auto companion = companionWith([&](Companion::Services& services) {
        services.alerts = alerts;
        services.loginItem = item;
    });

    companion->offerToStartAtLogin();

    EXPECT_TRUE(hasLine(log, "tarvo: could not register as a login item: ")) << ::testing::PrintToString(log.lines());
    EXPECT_EQ(companion->state().blockedReason, "Tarvo could not add itself to your login items. You can add it in "
                                                "System Settings → General → Login Items.");
}

TEST_F(CompanionSetupTest, NoAnswerButTheFirstButtonAddsALoginItem) {
    auto alerts = std::make_shared<ScriptedAlertPresenter>();
    alerts->answer = 1;
    const auto item = std::make_shared<XdgLoginItem>("/opt/tarvo", folder / "config", folder / "data");
    const auto companion = companionWith([&](Companion::Services& services) {
        services.alerts = alerts;
        services.loginItem = item;
    });

    companion->offerToStartAtLogin();

    EXPECT_EQ(alerts->presented.size(), 1u);
    EXPECT_FALSE(fs::exists(item->autostartFile()));
}

TEST_F(CompanionSetupTest, ANarrowingPickIsSavedAtTheServiceBeforeItTakesEffect) {
    const CapturedPlainLog log;
    const auto service = std::make_shared<MemoryHttpTransport>();
    const std::string target = "/v1/mac/devices/device-9/permissions/mode";
    service->queue("PUT", target, {403, "{}"});
    service->answer("PUT", target, {200, "{}"});
    script->client = std::make_shared<BrainClient>("http://127.0.0.1:9", ClientIdentity{"test", 1, "0.0.0", "test", {}},
                                                   BrainClient::Credentials{"access-1", "refresh-1", "device-9"},
                                                   service);
    defaults->set(Json("device-9"), Companion::deviceIdKey);
    secrets->write({{"accessToken", "access-1"}, {"refreshToken", "refresh-1"}});
    const auto companion = companionWith([](Companion::Services&) {});
    companion->launch();
    settle();
    permissions->permissionMode = MacPermissionMode::auto_;

    companion->chooseMode(MacPermissionMode::ask);
    settle();
    EXPECT_EQ(permissions->permissionMode, MacPermissionMode::auto_);
    EXPECT_EQ(permissions->modeNotice, "That did not save. Nothing changed.");
    EXPECT_TRUE(hasLine(log, "tarvo: operator mode not set (403)")) << ::testing::PrintToString(log.lines());

    companion->chooseMode(MacPermissionMode::autoRead);
    settle();
    EXPECT_EQ(permissions->permissionMode, MacPermissionMode::autoRead);
    EXPECT_EQ(permissions->modeNotice, std::nullopt);
    ASSERT_EQ(service->requests("PUT", target).size(), 2u);
    EXPECT_EQ(Json::parse(service->requests("PUT", target)[1].body.value_or("")), Json({{"mode", "auto_read"}}));

    companion->chooseMode(MacPermissionMode::autoRead);
    settle();
    EXPECT_EQ(service->requests("PUT", target).size(), 2u) << "the same mode again sends nothing";
}

} // namespace
} // namespace tarvo::testing
