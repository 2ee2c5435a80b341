#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Support/TemporaryFolder.h"
#include "TarvoCore/Relay/OutgoingFiles.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tarvo::OutgoingFiles;

namespace {

// A family emoji: five code points, eighteen bytes, one character.
const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

mode_t permissions(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return 07777;
    return status.st_mode & 07777;
}

void setModified(const fs::path& path, OutgoingFiles::Date date) {
    fs::last_write_time(path, std::chrono::file_clock::from_sys(date));
}

struct OutgoingFilesTest : ::testing::Test {
    tarvo::testing::TemporaryFolder folder;
    fs::path user = folder / "run";
    fs::path outside = folder / "outside";
    OutgoingFiles files{user};
    fs::path bundle = user / "com.tarvo.companion";
    fs::path staging = user / "com.tarvo.companion" / "outgoing";

    void SetUp() override {
        fs::create_directories(outside);
        write(outside / "secret", "keep me");
    }

    // The folder of the first file of job `id`.
    fs::path folderOf(const std::string& id) const { return staging / OutgoingFiles::folderName(id, 1); }

    // The failure's detail, or "" when staging succeeded.
    std::string stagingRefusal(const std::string& id = "att-1", const std::string& name = "photo.jpg") {
        try {
            files.stage(id, 1, name, "bytes");
            return "";
        } catch (const OutgoingFiles::Failure& failure) {
            return failure.detail();
        }
    }
};

} // namespace

TEST_F(OutgoingFilesTest, StagesEachAttachmentInAPrivateFolderOfItsOwn) {
    EXPECT_EQ(files.directory(), staging);
    EXPECT_EQ(files.stage("att-1", 1, "photo.jpg", "first"), folderOf("att-1") / "photo.jpg");
    EXPECT_EQ(files.stage("att-2", 1, "photo.jpg", "other"), folderOf("att-2") / "photo.jpg");
    EXPECT_EQ(files.stage("att-1", 1, "photo.jpg", "second"), folderOf("att-1") / "photo.jpg");

    EXPECT_EQ(contents(folderOf("att-1") / "photo.jpg"), "second");
    EXPECT_EQ(contents(folderOf("att-2") / "photo.jpg"), "other");
    EXPECT_EQ(std::distance(fs::directory_iterator(folderOf("att-1")), fs::directory_iterator()), 1);
    for (const fs::path& level : {bundle, staging, folderOf("att-1")}) EXPECT_EQ(permissions(level), 0700u) << level;
    EXPECT_EQ(permissions(folderOf("att-1") / "photo.jpg"), 0600u);
}

TEST_F(OutgoingFilesTest, IdsThatCleanToOneNameAndTheFilesOfOneJobNeverShareAFolder) {
    const fs::path first = files.stage("x/job", 1, "photo.jpg", "first");
    const fs::path second = files.stage("y/job", 1, "photo.jpg", "second");
    const fs::path third = files.stage("x/job", 2, "photo.jpg", "third");

    EXPECT_EQ(OutgoingFiles::safeFilename("x/job"), OutgoingFiles::safeFilename("y/job"));
    EXPECT_EQ(std::set<fs::path>({first.parent_path(), second.parent_path(), third.parent_path()}).size(), 3u);
    EXPECT_EQ(contents(first), "first");
    EXPECT_EQ(contents(second), "second");
    EXPECT_EQ(contents(third), "third");
}

TEST_F(OutgoingFilesTest, RefusesFoldersThatAreLinksOrOpenToOthers) {
    struct Case {
        std::string name;
        std::function<void()> plant;
        std::string refusal;
    };
    const std::vector<Case> cases{
        {"bundle link",
         [&] {
             fs::create_directories(user);
             fs::create_directory_symlink(outside, bundle);
         },
         bundle.string() + " is a symbolic link"},
        {"outgoing link",
         [&] {
             fs::create_directories(bundle);
             fs::permissions(bundle, fs::perms::owner_all);
             fs::create_directory_symlink(outside, staging);
         },
         staging.string() + " is a symbolic link"},
        {"attachment link",
         [&] {
             files.stage("other", 1, "x", "x");
             fs::create_directory_symlink(outside, folderOf("att-1"));
         },
         (folderOf("att-1")).string() + " is a symbolic link"},
        {"bundle open to others",
         [&] {
             fs::create_directories(bundle);
             fs::permissions(bundle, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
         },
         bundle.string() + " has permissions 0750 where only 0700 is safe"},
        {"bundle is a file",
         [&] {
             fs::create_directories(user);
             write(bundle, "");
         },
         bundle.string() + " is not a folder"},
    };
    for (const Case& c : cases) {
        fs::remove_all(user);
        c.plant();
        EXPECT_EQ(stagingRefusal(), c.refusal) << c.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1) << c.name;
        EXPECT_EQ(contents(outside / "secret"), "keep me") << c.name;
    }
}

TEST_F(OutgoingFilesTest, ALinkInPlaceOfTheFileIsReplacedNotFollowed) {
    files.stage("att-1", 1, "other.txt", "x");
    fs::create_symlink(outside / "secret", folderOf("att-1") / "photo.jpg");
    EXPECT_EQ(files.stage("att-1", 1, "photo.jpg", "new"), folderOf("att-1") / "photo.jpg");
    EXPECT_FALSE(fs::is_symlink(folderOf("att-1") / "photo.jpg"));
    EXPECT_EQ(contents(folderOf("att-1") / "photo.jpg"), "new");
    EXPECT_EQ(contents(outside / "secret"), "keep me");
}

// Another user made the program's folder first, as anyone can where folders are shared. The
// check must hold for an ordinary user, so it runs in a child acting as a throwaway one.
TEST_F(OutgoingFilesTest, RefusesAFolderAnotherUserMade) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a folder for another user";
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directories(bundle);
    fs::permissions(user, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(bundle, fs::perms::owner_all);

    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        constexpr uid_t throwaway = 54321;
        if (::setresgid(throwaway, throwaway, throwaway) != 0 || ::setresuid(throwaway, throwaway, throwaway) != 0) {
            ::_exit(2);
        }
        const std::string answer = stagingRefusal() + "|" + std::to_string(files.sweep(0s, OutgoingFiles::Date{}));
        const bool written = ::write(report[1], answer.data(), answer.size()) == static_cast<ssize_t>(answer.size());
        ::_exit(written ? 0 : 3);
    }
    ::close(report[1]);
    std::string answer;
    char buffer[512];
    for (ssize_t got; (got = ::read(report[0], buffer, sizeof buffer)) > 0;) {
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(answer, bundle.string() + " belongs to another user|0");
}

TEST_F(OutgoingFilesTest, AFailedWriteIsReportedWithTheSystemsWords) {
    files.stage("att-1", 1, "other.txt", "x");
    fs::create_directory(folderOf("att-1") / "photo.jpg");
    write(folderOf("att-1") / "photo.jpg" / "inside", "");
    try {
        files.stage("att-1", 1, "photo.jpg", "bytes");
        ADD_FAILURE() << "a folder in the file's place was written over";
    } catch (const OutgoingFiles::Failure& failure) {
        EXPECT_EQ(failure.description(), "Tarvo could not write the file to this Mac before sending it: " +
                                             (folderOf("att-1") / "photo.jpg").string() + ": Is a directory");
    }
}

TEST_F(OutgoingFilesTest, SweepRemovesWhatIsOlderThanTheAge) {
    EXPECT_EQ(files.sweep(OutgoingFiles::retention, OutgoingFiles::Date{}), 0); // nothing staged yet
    const OutgoingFiles::Date now{std::chrono::hours(24 * 365 * 60)};
    files.stage("kept", 1, "a.txt", "a");
    files.stage("old", 1, "b.txt", "b");
    fs::create_directory(staging / ".hidden");
    setModified(folderOf("kept"), now - 600s);
    setModified(folderOf("old"), now - 600s - 1ms);
    setModified(staging / ".hidden", now - 6000s);

    EXPECT_EQ(files.sweep(OutgoingFiles::retention, now), 1);
    EXPECT_TRUE(fs::exists(folderOf("kept") / "a.txt"));
    EXPECT_FALSE(fs::exists(folderOf("old")));
    EXPECT_TRUE(fs::exists(staging / ".hidden"));
    EXPECT_EQ(files.sweep(OutgoingFiles::retention, now), 0);
}

TEST_F(OutgoingFilesTest, SweepRemovesLinksNeverWhatTheyPointTo) {
    files.stage("att-1", 1, "a.txt", "a");
    fs::create_symlink(outside / "secret", staging / "planted");
    fs::create_directory_symlink(outside, folderOf("att-1") / "inner");
    const OutgoingFiles::Date later = std::chrono::system_clock::time_point(std::chrono::file_clock::to_sys(
                                          fs::last_write_time(folderOf("att-1")))) + 3600s;

    EXPECT_EQ(files.sweep(OutgoingFiles::retention, later), 2);
    EXPECT_TRUE(fs::is_empty(staging));
    EXPECT_EQ(contents(outside / "secret"), "keep me");

    // A staging folder that is itself a link is never swept.
    fs::remove_all(user);
    fs::create_directories(outside / "outgoing" / "old");
    fs::permissions(outside, fs::perms::owner_all);
    fs::permissions(outside / "outgoing", fs::perms::owner_all);
    fs::create_directories(user);
    fs::create_directory_symlink(outside, bundle);
    EXPECT_EQ(files.sweep(0s, later), 0);
    EXPECT_TRUE(fs::exists(outside / "outgoing" / "old"));
}

TEST(OutgoingFilesNames, SafeFilename) {
    struct Case {
        std::string name;
        std::string safe;
    };
    const std::string long250 = std::string(245, 'x') + ".jpeg";
    // 300 bytes whose 59th character is an emoji of five code points.
    const std::string withEmoji = std::string(58, 'y') + family + std::string(220, 'z') + ".png";
    const std::string oneGiantCharacter = "a" + repeated("\xCC\x81", 150) + ".txt";
    for (const Case& c : std::initializer_list<Case>{
             {"../../etc/passwd", "passwd"},
             {"a/b/", "b"},
             {"/", "_"},
             {"///", "___"},
             {"", "attachment"},
             {".", "attachment"},
             {"..", "attachment"},
             {"a/..", "attachment"},
             {" \n\t", "attachment"},
             {" report:final.pdf\n", "report_final.pdf"},
             {std::string("a\0b.txt", 7), "a_b.txt"},
             {"..hidden", "..hidden"},
             {long250, std::string(60, 'x') + ".jpeg"},
             {std::string(250, 'x'), std::string(60, 'x')},
             {std::string(196, 'w') + ".txt", std::string(196, 'w') + ".txt"}, // exactly 200 bytes
             {withEmoji, std::string(58, 'y') + family + "z.png"},
             // Sixty such characters would not fit in one name: as many as fit are kept.
             {repeated(family, 40) + ".png", repeated(family, 13) + ".png"},
             {oneGiantCharacter, "attachment.txt"},
             {"a." + std::string(240, 'e'), "a." + std::string(58, 'e')},
         }) {
        EXPECT_EQ(OutgoingFiles::safeFilename(c.name), c.safe) << c.name;
    }
}
