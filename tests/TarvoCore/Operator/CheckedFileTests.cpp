#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoCore/Operator/CheckedFile.h"
#include "TarvoCore/Operator/FileReadPolicy.h"
#include "TarvoCore/Operator/FolderAccess.h"

using tarvo::CheckedFile;
using tarvo::FileDescriptor;
using tarvo::FileIdentity;
using tarvo::FileReadPolicy;
using tarvo::FolderAccess;
namespace fs = std::filesystem;

namespace {

using Kind = CheckedFile::Refusal::Kind;

void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

FileIdentity identityOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return FileIdentity::of(status);
}

// A home folder with a document, a key, and a second folder laid out like Documents.
struct Home {
    tarvo::testing::TemporaryFolder folder;
    std::string home = (fs::canonical(folder.path()) / "ann").string();

    Home() {
        write(path("Documents/a.txt"), "the listed text");
        write(path(".ssh/id_ed25519"), "PRIVATE KEY");
        write(path("Elsewhere/Documents/a.txt"), "planted text");
    }
    std::string path(const std::string& relative) const { return home + "/" + relative; }
};

// What a case lays out, and the path and identity a listing would have recorded.
struct Listed {
    std::string path;
    FileIdentity identity;
};

// One road of the open: the whole path at once through the kernel, or the walk.
enum class Road { whole, walk };

std::string roadName(const ::testing::TestParamInfo<Road>& info) {
    return info.param == Road::whole ? "WholePath" : "Walk";
}

std::system_error accessDenied() { return std::system_error(EACCES, std::generic_category(), "open"); }

struct CheckedFileOpen : ::testing::TestWithParam<Road> {
    CheckedFile::Calls real;
    int wholeOpens = 0;
    int walkOpens = 0;

    void SetUp() override {
        real = GetParam() == Road::whole ? CheckedFile::Calls::system() : CheckedFile::Calls::walking();
        if (GetParam() == Road::whole && !real.openWhole) GTEST_SKIP() << "this kernel refuses openat2";
    }

    // The real calls, counted, with `refuse` deciding which opens the system denies.
    CheckedFile::Calls counted(std::function<bool(const std::string& name)> refuse = {}) {
        CheckedFile::Calls calls;
        if (real.openWhole) {
            calls.openWhole = [this, refuse](const std::string& path, int flags) {
                ++wholeOpens;
                if (refuse && refuse(path)) throw accessDenied();
                return real.openWhole(path, flags);
            };
        }
        calls.openAt = [this, refuse](const FileDescriptor& folder, const std::string& name, int flags) {
            ++walkOpens;
            if (refuse && refuse(name)) throw accessDenied();
            return real.openAt(folder, name, flags);
        };
        return calls;
    }
};

} // namespace

TEST_P(CheckedFileOpen, OpensAPlainFileAndReadsItFromTheDescriptor) {
    Home h;
    const std::string path = h.path("Documents/a.txt");
    const auto opened = CheckedFile::open(path, h.home, identityOf(path), counted());
    ASSERT_TRUE(std::holds_alternative<CheckedFile>(opened));
    const auto& file = std::get<CheckedFile>(opened);
    EXPECT_EQ(file.path(), path);
    EXPECT_EQ(file.bytes(), 15);
    EXPECT_EQ(file.identity(), identityOf(path));
    EXPECT_FALSE(file.isFolder());
    if (GetParam() == Road::whole) {
        EXPECT_EQ(wholeOpens, 1);
        EXPECT_EQ(walkOpens, 0);
    } else {
        EXPECT_GE(walkOpens, 4);
    }

    // What is read comes from the descriptor, whatever happens to the name.
    fs::rename(path, h.path("Documents/b.txt"));
    write(path, "a new file under the old name");
    std::string text(32, '\0');
    text.resize(file.readAt(4, text.data(), text.size()));
    EXPECT_EQ(text, "listed text");
    EXPECT_EQ(file.readAt(15, text.data(), text.size()), 0u);
}

TEST_P(CheckedFileOpen, RefusesLinksOtherFilesSecondNamesAndWhatIsNoPlainFile) {
    struct Case {
        const char* what;
        std::function<Listed(Home&)> prepare;
        Kind kind;
    };
    const std::vector<Case> cases{
        {"the leaf swapped for a link to the key",
         [](Home& h) {
             fs::remove(h.path("Documents/a.txt"));
             fs::create_symlink(h.path(".ssh/id_ed25519"), h.path("Documents/a.txt"));
             return Listed{h.path("Documents/a.txt"), identityOf(h.path(".ssh/id_ed25519"))};
         },
         Kind::moved},
        {"the folder above swapped for a link to a folder with the same names",
         [](Home& h) {
             fs::rename(h.path("Documents"), h.path("Real"));
             fs::create_directory_symlink(h.path("Elsewhere/Documents"), h.path("Documents"));
             return Listed{h.path("Documents/a.txt"), identityOf(h.path("Elsewhere/Documents/a.txt"))};
         },
         Kind::moved},
        {"the folder above swapped for a link to where it went, the file unchanged",
         [](Home& h) {
             const FileIdentity listed = identityOf(h.path("Documents/a.txt"));
             fs::rename(h.path("Documents"), h.path("Real"));
             fs::create_directory_symlink(h.path("Real"), h.path("Documents"));
             return Listed{h.path("Documents/a.txt"), listed};
         },
         Kind::moved},
        {"a part that goes up",
         [](Home& h) { return Listed{h.path("Documents/../Documents/a.txt"), identityOf(h.path("Documents/a.txt"))}; },
         Kind::moved},
        {"an empty part",
         [](Home& h) { return Listed{h.path("Documents//a.txt"), identityOf(h.path("Documents/a.txt"))}; },
         Kind::moved},
        {"a part that stays",
         [](Home& h) { return Listed{h.path("Documents/./a.txt"), identityOf(h.path("Documents/a.txt"))}; },
         Kind::moved},
        {"a relative path", [](Home& h) { return Listed{"Documents/a.txt", identityOf(h.path("Documents/a.txt"))}; },
         Kind::moved},
        {"a path that may not be listed",
         [](Home& h) { return Listed{h.path(".ssh/id_ed25519"), identityOf(h.path(".ssh/id_ed25519"))}; },
         Kind::moved},
        {"another file renamed over the listed one",
         [](Home& h) {
             const FileIdentity listed = identityOf(h.path("Documents/a.txt"));
             write(h.path("Documents/new.txt"), "another text");
             fs::rename(h.path("Documents/new.txt"), h.path("Documents/a.txt"));
             return Listed{h.path("Documents/a.txt"), listed};
         },
         Kind::moved},
        {"the listed file gone",
         [](Home& h) {
             const FileIdentity listed = identityOf(h.path("Documents/a.txt"));
             fs::remove(h.path("Documents/a.txt"));
             return Listed{h.path("Documents/a.txt"), listed};
         },
         Kind::moved},
        {"a second name of the key under a harmless name",
         [](Home& h) {
             fs::create_directories(h.path("Downloads"));
             fs::create_hard_link(h.path(".ssh/id_ed25519"), h.path("Downloads/notes.txt"));
             return Listed{h.path("Downloads/notes.txt"), identityOf(h.path("Downloads/notes.txt"))};
         },
         Kind::denied},
        {"a folder",
         [](Home& h) {
             fs::create_directories(h.path("Documents/folder.txt"));
             return Listed{h.path("Documents/folder.txt"), identityOf(h.path("Documents/folder.txt"))};
         },
         Kind::unreadable},
        {"a document package that is a plain file",
         [](Home& h) {
             write(h.path("Documents/Book.rtfd"), "not a folder");
             return Listed{h.path("Documents/Book.rtfd"), identityOf(h.path("Documents/Book.rtfd"))};
         },
         Kind::unreadable},
        {"a pipe with no writer, refused at once",
         [](Home& h) {
             EXPECT_EQ(::mkfifo(h.path("Documents/pipe.txt").c_str(), 0600), 0);
             return Listed{h.path("Documents/pipe.txt"), identityOf(h.path("Documents/pipe.txt"))};
         },
         Kind::unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Home h;
        const Listed listed = c.prepare(h);
        const auto opened = CheckedFile::open(listed.path, h.home, listed.identity, counted());
        ASSERT_TRUE(std::holds_alternative<CheckedFile::Refusal>(opened));
        const auto& refusal = std::get<CheckedFile::Refusal>(opened);
        EXPECT_EQ(refusal.kind, c.kind);
        const std::string sentence = c.kind == Kind::moved    ? std::string(FileReadPolicy::movedSentence)
                                     : c.kind == Kind::denied ? std::string(FileReadPolicy::deniedSentence)
                                                              : std::string();
        EXPECT_EQ(refusal.sentence, sentence);
        EXPECT_EQ(refusal.refusesStep(), c.kind == Kind::moved || c.kind == Kind::denied);
    }
}

TEST_P(CheckedFileOpen, ADocumentPackageOpensAsAFolder) {
    Home h;
    write(h.path("Documents/Book.rtfd/TXT.rtf"), "{\\rtf1 text}");
    const std::string path = h.path("Documents/Book.rtfd");
    const auto opened = CheckedFile::open(path, h.home, identityOf(path), counted());
    ASSERT_TRUE(std::holds_alternative<CheckedFile>(opened));
    EXPECT_TRUE(std::get<CheckedFile>(opened).isFolder());
}

TEST_P(CheckedFileOpen, AnOpenTheSystemRefusesNamesTheSettingThatAllowsIt) {
    struct Case {
        std::string relative;
        std::string refusedName;
        std::optional<std::string> protectedFolder;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"Desktop/notes.txt", "notes.txt", "Desktop"},
             {"Desktop/inner/notes.txt", "inner", "Desktop"},
             {"Projects/notes.txt", "notes.txt", std::nullopt},
         }) {
        SCOPED_TRACE(c.relative);
        Home h;
        const std::string path = h.path(c.relative);
        write(path, "text");
        const auto refuse = [&](const std::string& name) {
            return name == c.refusedName || name.ends_with("/" + c.refusedName) ||
                   name.find("/" + c.refusedName + "/") != std::string::npos;
        };
        const auto opened = CheckedFile::open(path, h.home, identityOf(path), counted(refuse));
        ASSERT_TRUE(std::holds_alternative<CheckedFile::Refusal>(opened));
        const auto& refusal = std::get<CheckedFile::Refusal>(opened);
        EXPECT_EQ(refusal.kind, Kind::notPermitted);
        EXPECT_FALSE(refusal.refusesStep());
        EXPECT_EQ(refusal.sentence, FolderAccess::refusedSentence(c.protectedFolder));
    }
}

INSTANTIATE_TEST_SUITE_P(BothRoads, CheckedFileOpen, ::testing::Values(Road::whole, Road::walk), roadName);

TEST(CheckedFileCalls, TheSystemTakesTheWholePathWhereTheKernelMakesIt) {
    EXPECT_EQ(static_cast<bool>(CheckedFile::Calls::system().openWhole), tarvo::FileCalls::canOpenWithoutLinks());
    EXPECT_FALSE(CheckedFile::Calls::walking().openWhole);
    std::cout << "[ road   ] " << (tarvo::FileCalls::canOpenWithoutLinks() ? "openat2" : "the walk")
              << " opens the files the service names on this machine\n";
}
