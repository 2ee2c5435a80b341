#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Support/TemporaryFolder.h"
#include "TarvoCore/Operator/FileReadPolicy.h"

using tarvo::FileReadPolicy;
using tarvo::MacFileFolder;

namespace {

const std::string denied(FileReadPolicy::deniedSentence);
const std::string cloudDocs = "/Users/ann/Library/Mobile Documents/com~apple~CloudDocs/";

} // namespace

TEST(FileReadPolicy, DeniesSecretsByFolderNameAndExtension) {
    struct Case {
        std::string path;
        bool isDenied;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"/Users/ann/.SSH/config", true},
             {"/Users/ann/Projects/Keychains/notes.txt", true},
             {"/Users/ann/.gnupg", true},
             {"/Users/ann/app/.env", true},
             {"/Users/ann/app/.env.local", true},
             {"/Users/ann/app/.ENV", true},
             {"/Users/ann/id_rsa.pub", true},
             {"/Users/ann/ID_ED25519", true},
             {"/Users/ann/Vault.KDBX", true},
             {"/Users/ann/login.keychain-db", true},
             {"", true},
             {"/Users/ann/app/env.txt", false},
             {"/Users/ann/app/.envrc", false},
             {"/Users/ann/Documents/ssh notes.txt", false},
             {"/Users/ann/Documents/a.pdf", false},
             {"/", false},
         }) {
        EXPECT_EQ(FileReadPolicy::denial(c.path), c.isDenied ? std::optional(denied) : std::nullopt) << c.path;
    }
}

TEST(FileReadPolicy, ListsOnlyVisibleFilesUnderHomeOutsideLibraryAndPackages) {
    struct Case {
        std::string path;
        bool listable;
    };
    for (const char* home : {"/Users/ann", "/Users/ann/"}) {
        for (const auto& c : std::initializer_list<Case>{
                 {"/Users/ann/Documents/a.pdf", true},
                 {"/Users/ann/notes.txt", true},
                 {cloudDocs + "a.pdf", true},
                 {"/Users/bob/a.pdf", false},
                 {"/Users/anna/a.pdf", false},
                 {"/Users/ann", false},
                 {"/Users/ann/Library/Preferences/x.plist", false},
                 {"/Users/ann/Library/Mobile Documents/other/a.pdf", false},
                 {"/Users/ann/Documents/.hidden/a.pdf", false},
                 {"/Users/ann/Documents/../.ssh/a.pdf", false},
                 {"/Users/ann/Downloads/Tool.app/Contents/Info.plist", false},
                 {"/Users/ann/Downloads/Tool.app", false},
                 {"/Users/ann/Documents/Photos Library.photoslibrary", false},
                 {"/Users/ann/Documents/key.pem", false},
             }) {
            EXPECT_EQ(FileReadPolicy::isListable(c.path, home), c.listable) << c.path << " under " << home;
        }
    }
}

TEST(FileReadPolicy, NamesTheKindOfFolderBelowHome) {
    struct Case {
        std::string path;
        MacFileFolder folder;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"/Users/ann/Documents/a.pdf", MacFileFolder::documents},
             {"/Users/ann/Desktop/x/y.txt", MacFileFolder::desktop},
             {"/Users/ann/Downloads/a.zip", MacFileFolder::downloads},
             {cloudDocs + "a.pdf", MacFileFolder::icloud},
             {"/Users/ann/Documents", MacFileFolder::other},
             {"/Users/ann/documents/a.pdf", MacFileFolder::other},
             {"/Users/ann/Projects/a.pdf", MacFileFolder::other},
             {"/Volumes/Disk/a.pdf", MacFileFolder::other},
         }) {
        EXPECT_EQ(FileReadPolicy::folder(c.path, "/Users/ann"), c.folder) << c.path;
    }
}

TEST(FileReadPolicy, ReadsDocumentsOnly) {
    for (const char* path : {"/a/Report.PDF", "/a/notes.md", "/a/Book.rtfd", "/a/page.htm", "/a/x.tar.json"})
        EXPECT_TRUE(FileReadPolicy::isDocument(path)) << path;
    for (const char* path : {"/a/photo.jpg", "/a/archive.zip", "/a/README", "/a/.txt", "/a/pdf", "/a/x.pdf.zip"})
        EXPECT_FALSE(FileReadPolicy::isDocument(path)) << path;
}

TEST(FileReadPolicy, SendingWithoutAPressNeedsAUsualFolderAndLessThan48Megabytes) {
    EXPECT_FALSE(FileReadPolicy::needsPressToSend(MacFileFolder::downloads, 47'999'999));
    EXPECT_TRUE(FileReadPolicy::needsPressToSend(MacFileFolder::downloads, 48'000'000));
    EXPECT_FALSE(FileReadPolicy::needsPressToSend(MacFileFolder::icloud, 0));
    EXPECT_TRUE(FileReadPolicy::needsPressToSend(MacFileFolder::other, 10));
}

TEST(FileReadPolicy, SendPressSentenceShortensTheNameAndRoundsMegabytes) {
    const std::string eighty(80, 'a');
    struct Case {
        std::string name;
        MacFileFolder folder;
        std::int64_t bytes;
        std::string sentence;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"Report.pdf", MacFileFolder::documents, 2'000'000, "Bring \u201CReport.pdf\u201D back from your Mac."},
             {"Backup  2024.zip", MacFileFolder::other, 52'400'000,
              "Bring \u201CBackup 2024.zip\u201D back from outside your usual folders, 52 MB."},
             {" \tline\none ", MacFileFolder::desktop, 1, "Bring \u201Cline one\u201D back from your Mac."},
             {"x", MacFileFolder::desktop, 48'000'000, "Bring \u201Cx\u201D back from your Mac, 48 MB."},
             {"x", MacFileFolder::desktop, 48'499'999, "Bring \u201Cx\u201D back from your Mac, 48 MB."},
             {"x", MacFileFolder::desktop, 48'500'000, "Bring \u201Cx\u201D back from your Mac, 49 MB."},
             {eighty, MacFileFolder::documents, 1, "Bring \u201C" + eighty + "\u201D back from your Mac."},
             {eighty + "b", MacFileFolder::documents, 1, "Bring \u201C" + eighty + "\u2026\u201D back from your Mac."},
         }) {
        EXPECT_EQ(FileReadPolicy::sendPressSentence(c.name, c.folder, c.bytes), c.sentence);
    }
}

TEST(FileReadPolicy, RealPathResolvesLinksAndKeepsWhatCannotBeResolved) {
    tarvo::testing::TemporaryFolder folder;
    const auto real = std::filesystem::canonical(folder.path());
    std::filesystem::create_directory(real / "Documents");
    std::filesystem::create_directory_symlink(real / "Documents", real / "Docs");
    { std::ofstream(real / "Documents" / "a.txt") << "a"; }

    EXPECT_EQ(FileReadPolicy::realPath((real / "Docs" / "a.txt").string()), (real / "Documents" / "a.txt").string());
    EXPECT_EQ(FileReadPolicy::realPath((real / "Docs" / ".." / "Documents").string()), (real / "Documents").string());
    const std::string gone = (real / "Docs" / "gone.txt").string();
    EXPECT_EQ(FileReadPolicy::realPath(gone), gone);
    EXPECT_EQ(FileReadPolicy::realPath(""), "");
}
