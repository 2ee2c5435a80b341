#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

#include "Platform/FileSecretStore.h"
#include "Support/CapturedPlainLog.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/Json.h"

namespace fs = std::filesystem;
using tarvo::FileSecretStore;
using tarvo::Json;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::TemporaryFolder;

namespace {

const FileSecretStore::Secrets firstPair{{"accessToken", "access-1"}, {"refreshToken", "refresh-1"}};
const FileSecretStore::Secrets secondPair{{"accessToken", "access-2"}, {"refreshToken", "refresh-2"}};

void writeFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::optional<FileSecretStore::Secrets> pairIn(FileSecretStore& store) {
    const auto accessToken = store.read("accessToken");
    const auto refreshToken = store.read("refreshToken");
    if (!accessToken || !refreshToken) return std::nullopt;
    return FileSecretStore::Secrets{{"accessToken", *accessToken}, {"refreshToken", *refreshToken}};
}

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

// Files may grow no longer than `bytes` while this lives; a longer write fails with EFBIG, as a
// full disk would make it fail, whoever the test runs as.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

} // namespace

TEST(FileSecretStore, KeepsThePairAsOneOwnerOnlyRecordThatANewStoreReads) {
    TemporaryFolder home;
    const fs::path folder = home / "data" / "com.tarvo.companion";
    FileSecretStore store(folder);
    EXPECT_EQ(pairIn(store), std::nullopt);

    ASSERT_TRUE(store.write(firstPair));
    ASSERT_TRUE(store.write(secondPair));

    FileSecretStore reopened(folder);
    EXPECT_EQ(pairIn(reopened), secondPair);
    EXPECT_EQ(Json::parse(contents(folder / "secrets.json")), Json({{"accessToken", "access-2"}, {"refreshToken", "refresh-2"}}));
    EXPECT_EQ(modeOf(folder / "secrets.json"), 0600u);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"secrets.json"});

    ASSERT_TRUE(reopened.remove({"accessToken", "refreshToken"}));
    EXPECT_EQ(FileSecretStore(folder).read("accessToken"), std::nullopt);
    EXPECT_EQ(FileSecretStore(folder).read("refreshToken"), std::nullopt);
}

TEST(FileSecretStore, ReadsAPairWrittenFromOutsideTheProgram) {
    TemporaryFolder home;
    fs::create_directories(home / "com.tarvo.companion");
    writeFile(home / "com.tarvo.companion" / "secrets.json",
              R"({"accessToken": "eyJ.access", "refreshToken": "r-\u00e9"})");

    FileSecretStore store(home / "com.tarvo.companion");

    EXPECT_EQ(pairIn(store), (FileSecretStore::Secrets{{"accessToken", "eyJ.access"}, {"refreshToken", "r-\xC3\xA9"}}));
}

TEST(FileSecretStore, AFileOthersCanReadIsNarrowedAndALinkIsRefused) {
    TemporaryFolder home;
    const fs::path folder = home / "com.tarvo.companion";
    const fs::path file = folder / "secrets.json";
    fs::create_directories(folder);
    writeFile(file, R"({"accessToken": "a", "refreshToken": "r"})");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    CapturedPlainLog log;

    FileSecretStore store(folder);
    EXPECT_EQ(pairIn(store), (FileSecretStore::Secrets{{"accessToken", "a"}, {"refreshToken", "r"}}));
    EXPECT_EQ(pairIn(store), (FileSecretStore::Secrets{{"accessToken", "a"}, {"refreshToken", "r"}}));

    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"tarvo: the secrets file " + file.string() +
                                                    " could be read by others (0644) — narrowed it to 0600"});

    // A link is never followed, however often it is read.
    fs::rename(file, home / "elsewhere.json");
    fs::create_symlink(home / "elsewhere.json", file);
    FileSecretStore linked(folder);
    EXPECT_EQ(pairIn(linked), std::nullopt);
    EXPECT_EQ(pairIn(linked), std::nullopt);
    EXPECT_EQ(log.lines().back(), "tarvo: the secrets file " + file.string() + " is a symbolic link — not reading it");
    EXPECT_EQ(log.lines().size(), 2u);
}

TEST(FileSecretStore, AFailedWriteKeepsTheOldPairWholeAndIsLogged) {
    TemporaryFolder home;
    FileSecretStore store(home.path());
    ASSERT_TRUE(store.write(firstPair));
    CapturedPlainLog log;

    {
        FileSizeLimit limit(8);
        EXPECT_FALSE(store.write(secondPair));
    }

    EXPECT_EQ(pairIn(store), firstPair);
    EXPECT_EQ(namesIn(home.path()), std::vector<std::string>{"secrets.json"}) << "no half-written file is left";
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.lines()[0].starts_with("tarvo: the secrets could not be saved to " + store.file().string()))
        << log.lines()[0];
    EXPECT_TRUE(log.lines()[0].ends_with("; the ones stored before are kept")) << log.lines()[0];
}

TEST(FileSecretStore, ARecordThatCannotBeReadIsKeptAsideAndLogged) {
    struct Case {
        std::string name;
        std::optional<std::string> text;  // nothing: a folder in the file's place
    };
    const Case cases[] = {
        {"not JSON", "{\"accessToken\": \"cut sh"},
        {"not an object", R"(["access-1", "refresh-1"])"},
        {"a token that is not a text", R"({"accessToken": 7, "refreshToken": "refresh-1"})"},
        {"a folder", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder home;
        const fs::path file = home / "secrets.json";
        writeFile(home / "secrets.json.corrupt-1", "an earlier one");
        if (c.text) {
            writeFile(file, *c.text);
            fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        } else {
            fs::create_directories(file / "inside");
        }
        FileSecretStore store(home.path());
        CapturedPlainLog log;

        EXPECT_EQ(store.read("refreshToken"), std::nullopt);
        ASSERT_TRUE(store.write(firstPair));

        EXPECT_EQ(pairIn(store), firstPair);
        EXPECT_EQ(contents(home / "secrets.json.corrupt-1"), "an earlier one");
        if (c.text) {
            EXPECT_EQ(contents(home / "secrets.json.corrupt-2"), *c.text);
        } else {
            EXPECT_TRUE(fs::is_directory(home / "secrets.json.corrupt-2" / "inside"));
        }
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.lines()[0].starts_with("tarvo: the secrets file " + file.string() + " could not be read ("))
            << log.lines()[0];
        EXPECT_NE(log.lines()[0].find("kept it as " + (home / "secrets.json.corrupt-2").string()), std::string::npos)
            << log.lines()[0];
    }
}

TEST(FileSecretStore, DefaultFolderFollowsXdg) {
    struct Case {
        const char* xdgDataHome;
        const char* home;
        std::optional<fs::path> folder;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"/x/data", "/home/me", fs::path("/x/data/com.tarvo.companion")},
             {nullptr, "/home/me", fs::path("/home/me/.local/share/com.tarvo.companion")},
             {"", "/home/me", fs::path("/home/me/.local/share/com.tarvo.companion")},
             {"relative/data", "/home/me", fs::path("/home/me/.local/share/com.tarvo.companion")},
             {nullptr, nullptr, std::nullopt},
             {nullptr, "relative-home", std::nullopt},
         }) {
        EXPECT_EQ(FileSecretStore::defaultFolder(c.xdgDataHome, c.home), c.folder)
            << (c.xdgDataHome ? c.xdgDataHome : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
}
