#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Support/CapturedPlainLog.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileSettingsStore.h"
#include "TarvoBase/InstallId.h"
#include "TarvoBase/MemorySettingsStore.h"

using namespace tarvo;
using tarvo::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(SettingsStore, SettingNothingRemovesTheKey) {
    TemporaryFolder folder;
    MemorySettingsStore memory({{"TarvoKept", Json(1)}});
    FileSettingsStore file(folder.path() / "tarvo");
    for (SettingsStore* store : std::initializer_list<SettingsStore*>{&memory, &file}) {
        store->set(Json("abc"), "TarvoDeviceId");
        store->set(Json{{"on", true}}, "TarvoSwitches");
        EXPECT_EQ(store->object("TarvoDeviceId"), Json("abc"));
        EXPECT_EQ(store->object("TarvoSwitches"), (Json{{"on", true}}));
        store->set(std::nullopt, "TarvoDeviceId");
        store->set(Json(nullptr), "TarvoSwitches");
        EXPECT_EQ(store->object("TarvoDeviceId"), std::nullopt);
        EXPECT_EQ(store->object("TarvoSwitches"), std::nullopt);
        store->set(std::nullopt, "TarvoNeverSet");
    }
    EXPECT_EQ(memory.object("TarvoKept"), Json(1));
}

TEST(FileSettingsStore, SettingsSurviveANewStoreAndLeaveNoTemporaryFiles) {
    TemporaryFolder folder;
    const fs::path settingsFolder = folder.path() / "config" / "tarvo";
    {
        FileSettingsStore store(settingsFolder);
        store.set(Json("device-1"), "TarvoDeviceId");
        store.set(Json::array({"a", "b"}), "TarvoOperatorStops");
        store.set(Json(false), "TarvoGone");
        store.set(std::nullopt, "TarvoGone");
    }
    FileSettingsStore reopened(settingsFolder);
    EXPECT_EQ(reopened.object("TarvoDeviceId"), Json("device-1"));
    EXPECT_EQ(reopened.object("TarvoOperatorStops"), Json::array({"a", "b"}));
    EXPECT_EQ(reopened.object("TarvoGone"), std::nullopt);
    EXPECT_EQ(folderEntries(settingsFolder), std::vector<std::string>{"settings.json"});
    EXPECT_EQ(fs::status(reopened.file()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(FileSettingsStore, ACorruptFileIsKeptAsideAndLogged) {
    for (const std::string& corrupt : {std::string("{\"TarvoDeviceId\": "), std::string("[1, 2]"), std::string("")}) {
        TemporaryFolder folder;
        writeFile(folder.path() / "settings.json", corrupt);
        writeFile(folder.path() / "settings.json.corrupt-1", "an earlier one");
        tarvo::testing::CapturedPlainLog log;

        FileSettingsStore store(folder.path());
        EXPECT_EQ(store.object("TarvoDeviceId"), std::nullopt);
        store.set(Json("fresh"), "TarvoDeviceId");

        EXPECT_EQ(contents(folder.path() / "settings.json.corrupt-2"), corrupt);
        EXPECT_EQ(contents(folder.path() / "settings.json.corrupt-1"), "an earlier one");
        EXPECT_EQ(FileSettingsStore(folder.path()).object("TarvoDeviceId"), Json("fresh"));
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.lines()[0].starts_with("tarvo: the settings file ")) << log.lines()[0];
        EXPECT_NE(log.lines()[0].find("settings.json.corrupt-2"), std::string::npos) << log.lines()[0];
    }
}

TEST(FileSettingsStore, AnUnreadableFileIsKeptAside) {
    TemporaryFolder folder;
    fs::create_directories(folder.path() / "settings.json" / "inside");
    tarvo::testing::CapturedPlainLog log;

    FileSettingsStore store(folder.path());
    store.set(Json("fresh"), "TarvoDeviceId");

    EXPECT_TRUE(fs::is_directory(folder.path() / "settings.json.corrupt-1" / "inside"));
    EXPECT_EQ(FileSettingsStore(folder.path()).object("TarvoDeviceId"), Json("fresh"));
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(FileSettingsStore, AFileThatCannotBeKeptAsideIsNeverOverwritten) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    TemporaryFolder folder;
    writeFile(folder.path() / "settings.json", "not json");
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    tarvo::testing::CapturedPlainLog log;

    FileSettingsStore store(folder.path());
    store.set(Json("fresh"), "TarvoDeviceId");
    EXPECT_EQ(store.object("TarvoDeviceId"), Json("fresh"));
    fs::permissions(folder.path(), fs::perms::owner_all);
    EXPECT_EQ(contents(folder.path() / "settings.json"), "not json");
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(FileSettingsStore, AFailedWriteIsLoggedAndTheValueKept) {
    TemporaryFolder folder;
    writeFile(folder.path() / "blocker", "a file where the folder should be");
    tarvo::testing::CapturedPlainLog log;
    FileSettingsStore store(folder.path() / "blocker" / "tarvo");
    store.set(Json(1), "TarvoCount");
    EXPECT_EQ(store.object("TarvoCount"), Json(1));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.lines()[0].starts_with("tarvo: the settings could not be saved to ")) << log.lines()[0];
}

TEST(FileSettingsStore, DefaultFolderFollowsXdg) {
    struct Case {
        const char* xdgConfigHome;
        const char* home;
        std::optional<fs::path> folder;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"/x/config", "/home/me", fs::path("/x/config/tarvo")},
             {nullptr, "/home/me", fs::path("/home/me/.config/tarvo")},
             {"", "/home/me", fs::path("/home/me/.config/tarvo")},
             {"relative/config", "/home/me", fs::path("/home/me/.config/tarvo")},
             {nullptr, nullptr, std::nullopt},
             {nullptr, "relative", std::nullopt},
         }) {
        EXPECT_EQ(FileSettingsStore::defaultFolder(c.xdgConfigHome, c.home), c.folder);
    }
}

TEST(InstallId, MadeOnceThenKept) {
    const auto fixed = [] { return *Uuid::parse("123E4567-E89B-42D3-A456-426614174000"); };
    const auto unexpected = []() -> Uuid { throw std::logic_error("a stored id must not be replaced"); };

    MemorySettingsStore fresh;
    EXPECT_EQ(InstallId::current(fresh, fixed), "123e4567-e89b-42d3-a456-426614174000");
    EXPECT_EQ(fresh.object(InstallId::key), Json("123e4567-e89b-42d3-a456-426614174000"));
    EXPECT_EQ(InstallId::current(fresh, unexpected), "123e4567-e89b-42d3-a456-426614174000");

    MemorySettingsStore upper({{"TarvoInstallId", Json("ABCDEF01-2345-6789-ABCD-EF0123456789")}});
    EXPECT_EQ(InstallId::current(upper, unexpected), "abcdef01-2345-6789-abcd-ef0123456789");
    EXPECT_EQ(upper.object(InstallId::key), Json("ABCDEF01-2345-6789-ABCD-EF0123456789"));

    for (const Json& stored : {Json(42), Json(" 123e4567-e89b-42d3-a456-426614174000"), Json("not a uuid")}) {
        MemorySettingsStore store({{"TarvoInstallId", stored}});
        EXPECT_EQ(InstallId::current(store, fixed), "123e4567-e89b-42d3-a456-426614174000");
        EXPECT_EQ(store.object(InstallId::key), Json("123e4567-e89b-42d3-a456-426614174000"));
    }

    const std::string made = InstallId::current(*std::make_unique<MemorySettingsStore>());
    EXPECT_TRUE(Uuid::isWellFormed(made));
    EXPECT_EQ(made[14], '4');
}

// A save goes to a new file that then takes the old one's name, so a save cut short leaves the
// previous settings whole, and another name for the old file still reads the old settings.
TEST(FileSettingsStore, ASaveNeverRewritesTheFileInPlace) {
    TemporaryFolder folder;
    FileSettingsStore store(folder.path());
    store.set(Json("device-1"), "TarvoDeviceId");
    const std::string before = contents(store.file());
    fs::create_hard_link(store.file(), folder.path() / "earlier.json");

    // A child whose files may not grow past 64 bytes: its save of a long value fails half-way.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 64;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        FileSettingsStore(folder.path()).set(Json(std::string(4096, 'x')), "TarvoDeviceId");
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(contents(store.file()), before);
    EXPECT_EQ(FileSettingsStore(folder.path()).object("TarvoDeviceId"), Json("device-1"));

    store.set(Json("device-2"), "TarvoDeviceId");
    EXPECT_EQ(contents(folder.path() / "earlier.json"), before);
    EXPECT_EQ(FileSettingsStore(folder.path()).object("TarvoDeviceId"), Json("device-2"));
}
