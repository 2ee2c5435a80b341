#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>

#include "Platform/LinuxOperatorReadings.h"
#include "Support/DesktopSessionTest.h"
#include "Support/FakeSystemCalls.h"
#include "Support/StandInProgram.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileDescriptor.h"

using namespace std::chrono_literals;
using tarvo::FakeClock;
using tarvo::Json;
using tarvo::LinuxOperatorReadings;
using tarvo::testing::TemporaryFolder;
using tarvo::FileDescriptor;
using tarvo::testing::writeStandIn;

namespace {

constexpr auto lockedKey = tarvo::OperatorSystemReadings::lockedKey;
constexpr auto onConsoleKey = tarvo::OperatorSystemReadings::onConsoleKey;

void writeFile(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// A local socket that takes connections into its queue; an abstract name starts with a NUL.
FileDescriptor listenOn(const std::string& name) {
    FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.data(), name.size());
    const bool abstract = name.front() == '\0';
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + (abstract ? 0 : 1));
    EXPECT_EQ(::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), length), 0) << std::strerror(errno);
    EXPECT_EQ(::listen(socket.get(), 64), 0);
    return socket;
}

class LinuxOperatorReadingsTest : public ::testing::Test {
protected:
    // Readings over the folder's sysfs tree with shell scripts standing in for the two programs.
    LinuxOperatorReadings readings(const std::string& loginctl, const std::string& dbusSend = "exit 1") {
        return LinuxOperatorReadings(clock, systemCalls, folder / "sys",
                                     {writeStandIn(folder / "loginctl", loginctl),
                                      writeStandIn(folder / "dbus-send", dbusSend)});
    }

    std::string microsFromNow(std::chrono::seconds offset) const {
        const auto at = clock->date() + offset;
        return std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(at.time_since_epoch()).count());
    }

    TemporaryFolder folder;
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<tarvo::testing::FakeSystemCalls> systemCalls = std::make_shared<tarvo::testing::FakeSystemCalls>();
};

} // namespace

TEST_F(LinuxOperatorReadingsTest, DisplaysAreTheConnectorsTheCardFeeds) {
    struct Connector {
        const char* name;
        const char* status;
        const char* enabled;  // nullptr: the file cannot be read
        const char* dpms;
    };
    struct Case {
        const char* name;
        bool drmClass;
        std::vector<Connector> connectors;
        std::optional<int> count;
        std::optional<bool> asleep;
    };
    const std::vector<Case> cases{
        {"no DRM class", false, {}, std::nullopt, std::nullopt},
        {"a card without connectors", true, {}, 0, std::nullopt},
        {"a lit display beside an unplugged connector and a writeback",
         true,
         {{"card0-HDMI-A-1", "connected", "enabled", "On"},
          {"card0-DP-1", "disconnected", "disabled", "Off"},
          {"card0-Writeback-1", "unknown", "enabled", "On"}},
         1,
         false},
        {"every display dark",
         true,
         {{"card1-eDP-1", "connected", "enabled", "Off"}, {"card1-DP-2", "connected", "enabled", "Standby"}},
         2,
         true},
        {"one lit display of two",
         true,
         {{"card1-eDP-1", "connected", "enabled", "Off"}, {"card12-DP-2", "unknown", "enabled", "On"}},
         2,
         false},
        {"a plugged display the card does not feed", true, {{"card0-HDMI-A-1", "connected", "disabled", "Off"}}, 0,
         std::nullopt},
        {"a fed connector whose display was unplugged", true, {{"card0-HDMI-A-1", "disconnected", "enabled", "On"}}, 0,
         std::nullopt},
        {"a connector that cannot be read", true, {{"card0-HDMI-A-1", "connected", nullptr, "On"}}, std::nullopt,
         std::nullopt},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(folder / "sys");
        if (c.drmClass) {
            writeFile(folder / "sys/class/drm/card0/dev", "226:0\n");
            writeFile(folder / "sys/class/drm/version", "drm 1.1.0 20060810\n");
        }
        for (const Connector& connector : c.connectors) {
            const auto at = folder / "sys/class/drm" / connector.name;
            writeFile(at / "status", std::string(connector.status) + "\n");
            if (connector.enabled) writeFile(at / "enabled", std::string(connector.enabled) + "\n");
            writeFile(at / "dpms", std::string(connector.dpms) + "\n");
            writeFile(at / "modes", "1920x1080\n1280x720\n");
        }
        const auto system = readings("exit 1");
        const auto displays = system.displays();
        EXPECT_EQ(displays ? std::optional<int>(displays->count) : std::nullopt, c.count) << c.name;
        EXPECT_FALSE(displays && displays->mainPixels) << c.name << ": the kernel does not tell the mode in use";
        EXPECT_EQ(system.displaysAsleep(), c.asleep) << c.name;
    }
}

TEST_F(LinuxOperatorReadingsTest, SessionLockConsoleAndIdleTimeFromLogind) {
    struct Case {
        const char* name;
        std::string shown;
        int exitCode;
        std::optional<Json> session;
        std::optional<std::int64_t> idle;
    };
    const std::vector<Case> cases{
        {"an unlocked session on its seat, in use",
         "LockedHint=no\nActive=yes\nSeat=seat0\nIdleHint=no\nIdleSinceHint=" + microsFromNow(-20s) + "\n", 0,
         Json{{lockedKey, false}, {onConsoleKey, true}}, std::nullopt},
        {"a locked session another one has taken the screen from",
         "LockedHint=yes\nActive=no\nSeat=seat0\nIdleHint=yes\nIdleSinceHint=" + microsFromNow(-90s) + "\n", 0,
         Json{{lockedKey, true}, {onConsoleKey, false}}, 90},
        {"a remote session", "LockedHint=no\nActive=yes\nSeat=\nIdleHint=yes\nIdleSinceHint=0\n", 0,
         Json{{lockedKey, false}, {onConsoleKey, false}}, std::nullopt},
        {"no lock state", "Active=yes\nSeat=seat0\nIdleHint=yes\nIdleSinceHint=" + microsFromNow(30s) + "\n", 0,
         std::nullopt, -30},
        {"an activity that is neither yes nor no", "LockedHint=no\nActive=\nSeat=seat0\nIdleHint=yes\nIdleSinceHint=12ab\n",
         0, Json{{lockedKey, false}}, std::nullopt},
        {"logind not running", "", 1, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto system = readings("echo \"$@\" > \"$0.arguments\"\nprintf '%s' '" + c.shown + "'\nexit " +
                                     std::to_string(c.exitCode));
        EXPECT_EQ(system.sessionDictionary(), c.session) << c.name;
        EXPECT_EQ(system.idleSeconds(), c.idle) << c.name;
    }
    std::ifstream arguments(folder / "loginctl.arguments");
    std::string line;
    std::getline(arguments, line);
    EXPECT_EQ(line, "show-session auto --property=LockedHint --property=Active --property=Seat --property=IdleHint "
                    "--property=IdleSinceHint");

    const LinuxOperatorReadings absent(clock, systemCalls, folder / "sys",
                                       {(folder / "no-loginctl").string(), (folder / "no-dbus-send").string()});
    EXPECT_EQ(absent.sessionDictionary(), std::nullopt);
    EXPECT_EQ(absent.idleSeconds(), std::nullopt);
    EXPECT_EQ(absent.accessibilityTrusted(), std::nullopt);
}

TEST_F(LinuxOperatorReadingsTest, AccessibilityIsWhetherTheAccessibilityBusListens) {
    const std::string bus = (folder / "a11y-bus").string();
    const std::string gone = (folder / "gone").string();
    const std::string abstractName = "tarvo-a11y-" + folder.path().filename().string();
    const FileDescriptor pathListener = listenOn(bus);
    const FileDescriptor abstractListener = listenOn(std::string(1, '\0') + abstractName);
    std::string escaped = bus;
    escaped.replace(escaped.rfind('/'), 1, "%2f");

    struct Case {
        const char* name;
        std::string script;
        std::optional<bool> trusted;
    };
    const auto answer = [](const std::string& address) { return "printf '%s' '   " + address + "'"; };
    const std::vector<Case> cases{
        {"a listening bus", answer("unix:path=" + bus + ",guid=8a4c"), true},
        {"an escaped path", answer("unix:path=" + escaped + ",guid=8a4c"), true},
        {"an abstract socket", answer("unix:abstract=" + abstractName + ",guid=8a4c"), true},
        {"a bus that went away", answer("unix:path=" + gone + ",guid=8a4c"), false},
        {"a second address that listens", answer("unix:path=" + gone + ";unix:path=" + bus), true},
        {"a transport that cannot be checked", answer("tcp:host=localhost,port=4000"), std::nullopt},
        {"a malformed escape", answer("unix:path=%zz"), std::nullopt},
        {"no accessibility bus on the session bus",
         "echo 'Error org.freedesktop.DBus.Error.ServiceUnknown: The name org.a11y.Bus was not provided by any "
         ".service files' >&2\nexit 1",
         false},
        {"no session bus",
         "echo 'Failed to open connection to \"session\" message bus: Unable to autolaunch a dbus-daemon' >&2\nexit 1",
         std::nullopt},
    };
    for (const Case& c : cases) {
        const auto system = readings("exit 1", "echo \"$@\" > \"$0.arguments\"\n" + c.script);
        EXPECT_EQ(system.accessibilityTrusted(), c.trusted) << c.name;
    }
    std::ifstream arguments(folder / "dbus-send.arguments");
    std::string line;
    std::getline(arguments, line);
    EXPECT_EQ(line, "--session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress");
}

TEST_F(LinuxOperatorReadingsTest, WhatLinuxCannotTellStaysUnknown) {
    systemCalls->acPower = false;
    const auto system = readings("exit 1");
    EXPECT_EQ(system.screenCaptureAllowed(), std::nullopt);
    EXPECT_EQ(system.postEventAllowed(), std::nullopt);
    EXPECT_EQ(system.osSupported(), true) << "this side is written for Linux";
    EXPECT_EQ(system.fullDiskAccess(), std::nullopt);
    EXPECT_EQ(system.acPower(), false) << "the power source is the system calls' probe";
}

namespace {

class LinuxOperatorReadingsOnADesktop : public tarvo::testing::DesktopSessionTest {
protected:
    TemporaryFolder folder;
};

TEST_F(LinuxOperatorReadingsOnADesktop, TheXServerTellsTheDisplaysTheCaptureTheInputAndTheIdleTime) {
    const LinuxOperatorReadings readings(std::make_shared<FakeClock>(), std::make_shared<tarvo::testing::FakeSystemCalls>(),
                                         folder / "sys",
                                         {writeStandIn(folder / "loginctl", "exit 1"),
                                          writeStandIn(folder / "dbus-send", "exit 1")},
                                         tarvo::X11Display::open(desktop().display()));
    const auto displays = readings.displays();
    ASSERT_TRUE(displays);
    EXPECT_EQ(displays->count, 1);
    EXPECT_EQ(displays->mainPixels, (tarvo::OperatorCaps::Pixels{1920, 1080}));
    EXPECT_EQ(readings.screenCaptureAllowed(), true);
    EXPECT_EQ(readings.postEventAllowed(), true);
    EXPECT_GE(readings.idleSeconds().value_or(-1), 0);
    EXPECT_EQ(readings.displaysAsleep(), std::nullopt) << "this server manages no power, and sysfs has no displays";

    desktop().stopXServer();
    EXPECT_EQ(readings.displays(), std::nullopt) << "the connection is lost, and sysfs has no displays";
    EXPECT_EQ(readings.screenCaptureAllowed(), std::nullopt);
    EXPECT_EQ(readings.postEventAllowed(), std::nullopt);
}

// The accessibility bus is the desktop's own, reached through the real dbus-send; only logind,
// which a test desktop has none of, stands in.
TEST_F(LinuxOperatorReadingsOnADesktop, AnUnlockedSessionAtItsSeatReadsReady) {
    const LinuxOperatorReadings readings(
        std::make_shared<FakeClock>(), std::make_shared<tarvo::testing::FakeSystemCalls>(), folder / "sys",
        {writeStandIn(folder / "loginctl", "printf 'LockedHint=no\\nActive=yes\\nSeat=seat0\\nIdleHint=no\\n'"),
         LinuxOperatorReadings::Programs{}.dbusSend},
        tarvo::X11Display::open(desktop().display()));
    const auto caps = tarvo::OperatorCaps::read(true, readings);
    EXPECT_EQ(caps.gaps(), std::vector<tarvo::OperatorGap>{});
    EXPECT_EQ(tarvo::TarvoLog::operatorLine(caps), "operator readiness \u2014 ready; displays 1");
    EXPECT_EQ(caps.wire()["osSupported"], true);
}

} // namespace
