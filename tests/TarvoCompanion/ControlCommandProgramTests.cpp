#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "Support/RefusingPort.h"
#include "Support/RunningProgram.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/Json.h"

namespace tarvo::testing {
namespace {

namespace fs = std::filesystem;

// A computer of its own, paired (a device id and a token pair stored) with a service that
// refuses every connection, so the companion runs signed in and offline.
class ControlCommandProgram : public ::testing::Test {
protected:
    ControlCommandProgram() {
        fs::create_directories(home / "config/tarvo");
        fs::create_directories(home / "data/com.tarvo.companion");
        fs::create_directories(home / "run");
        fs::permissions(home / "run", fs::perms::owner_all);
        fs::permissions(home / "data/com.tarvo.companion", fs::perms::owner_all);
        std::ofstream(settingsFile()) << Json{{"TarvoApiURL", service.baseURL()},
                                              {"TarvoBaseURL", service.baseURL()},
                                              {"TarvoDeviceId", "device-1"}}
                                             .dump();
        const fs::path secrets = home / "data/com.tarvo.companion/secrets.json";
        std::ofstream(secrets) << Json{{"accessToken", "access-1"}, {"refreshToken", "refresh-1"}}.dump();
        fs::permissions(secrets, fs::perms::owner_read | fs::perms::owner_write);
    }

    fs::path settingsFile() const { return home / "config/tarvo/settings.json"; }

    // As `uid` when one is given, through setpriv.
    std::unique_ptr<RunningProgram> start(const std::vector<std::string>& arguments,
                                          std::optional<uid_t> uid = std::nullopt) const {
        std::string executable = TARVO_COMPANION_EXECUTABLE;
        std::vector<std::string> words = arguments;
        if (uid) {
            const std::string id = std::to_string(*uid);
            words.insert(words.begin(), {"--reuid=" + id, "--regid=" + id, "--clear-groups", executable});
            executable = "/usr/bin/setpriv";
        }
        return std::make_unique<RunningProgram>(executable, words,
                                                std::map<std::string, std::string>{
                                                    {"HOME", home.path().string()},
                                                    {"XDG_CONFIG_HOME", (home / "config").string()},
                                                    {"XDG_DATA_HOME", (home / "data").string()},
                                                    {"XDG_RUNTIME_DIR", (home / "run").string()},
                                                    {"PATH", home.path().string()},
                                                });
    }

    struct Ran {
        int status;
        std::string output;
    };
    Ran run(const std::vector<std::string>& arguments, std::optional<uid_t> uid = std::nullopt) const {
        const auto command = start(arguments, uid);
        const int status = command->exitStatus();
        return {status, command->output()};
    }

    Json settings() const {
        std::ifstream file(settingsFile());
        std::stringstream text;
        text << file.rdbuf();
        return Json::parse(text.str());
    }

    TemporaryFolder home;
    RefusingPort service;
};

TEST_F(ControlCommandProgram, WithNoCompanionRunningItSaysSoAndTakesNothing) {
    const Ran menu = run({"menu"});
    EXPECT_EQ(menu.status, 1);
    EXPECT_EQ(menu.output, "Tarvo is not running.\n");
    // The claim is free: a companion started now is the one that runs.
    const auto companion = start({});
    ASSERT_TRUE(companion->waitFor(") started on ")) << companion->output();
    companion->signal(SIGTERM);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
}

TEST_F(ControlCommandProgram, TheRunningCompanionPrintsItsMenuAndPressesItsItems) {
    const auto companion = start({});
    ASSERT_TRUE(companion->waitFor(") started on ")) << companion->output();

    const Ran before = run({"menu"});
    ASSERT_EQ(before.status, 0) << before.output;
    EXPECT_TRUE(before.output.starts_with("Tarvo menu — icon: ")) << before.output;
    EXPECT_NE(before.output.find("  operate                    [ ] Allow Tarvo to operate this Mac\n"), std::string::npos)
        << before.output;
    EXPECT_NE(before.output.find("  quit                       Quit Tarvo\n"), std::string::npos) << before.output;

    EXPECT_EQ(run({"press", "operate"}).status, 0);
    const Ran after = run({"menu"});
    EXPECT_NE(after.output.find("  operate                    [x] Allow Tarvo to operate this Mac\n"), std::string::npos)
        << after.output;
    EXPECT_EQ(settings().value("TarvoOperatorAllowed", false), true);

    const Ran unknown = run({"press", "no-such-item"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.output, "There is no item \"no-such-item\" in the menu.\n");

    const std::string awakeOn = "  keep-awake                 [x] Keep my Mac awake while Tarvo works\n";
    const Ran shown = run({"operate"});
    ASSERT_EQ(shown.status, 0) << shown.output;
    const bool wasOn = shown.output.find(awakeOn) != std::string::npos;
    const Ran pressed = run({"operate", "press", "keep-awake"});
    EXPECT_EQ(pressed.status, 0) << pressed.output;
    EXPECT_EQ(pressed.output.find(awakeOn) != std::string::npos, !wasOn) << pressed.output;
    EXPECT_EQ(settings().value("TarvoKeepAwakeWhileWorking", wasOn), !wasOn);

    EXPECT_EQ(run({"press", "quit"}).status, 0);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
}

// The companion runs as a user of its own; the superuser, who can reach any socket, asks it.
TEST_F(ControlCommandProgram, ACommandFromAnotherUserIsNotAnswered) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs the superuser to run the companion as another user";
    constexpr uid_t owner = 64123;
    for (const auto& entry : fs::recursive_directory_iterator(home.path())) {
        ASSERT_EQ(::lchown(entry.path().c_str(), owner, owner), 0) << entry.path();
    }
    ASSERT_EQ(::chown(home.path().c_str(), owner, owner), 0);
    const auto companion = start({}, owner);
    ASSERT_TRUE(companion->waitFor(") started on ")) << companion->output();

    const Ran refused = run({"press", "quit"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output, "tarvo-companion: a copy of Tarvo is running but gave no answer\n");
    EXPECT_FALSE(companion->hasEnded());

    const Ran own = run({"press", "quit"}, owner);
    EXPECT_EQ(own.status, 0) << own.output;
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
}

} // namespace
} // namespace tarvo::testing
