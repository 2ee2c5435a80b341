#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/Operator/MacPermissionPolicy.h"
#include "TarvoCore/Operator/MacPermissionWords.h"

using tarvo::MacPermissionAsk;
using tarvo::MacPermissionMode;
using tarvo::MacPermissionPolicy;
using tarvo::MacPermissionWords;
using tarvo::MacPermit;
using Hold = MacPermissionPolicy::Hold;

namespace {

const std::string cloudDocs = "/Users/a/Library/Mobile Documents/com~apple~CloudDocs";

} // namespace

TEST(MacPermissionPolicy, ShowsTheFolderOfAFileRelativeToHome) {
    struct Case {
        std::string path;
        std::string home;
        std::optional<std::string> dir;
    };
    for (const Case& c : std::vector<Case>{
             {"/Users/a/Documents/x.pdf", "/Users/a", "Documents"},
             {"/Users/a/Documents/x.pdf", "/Users/a/", "Documents"},
             {"/Users/a/Documents/Work/2024/x.pdf", "/Users/a", "Documents/Work/2024"},
             {"/Users/a/x.pdf", "/Users/a", ""},
             {"/Users/ab/x.pdf", "/Users/a", std::nullopt},
             {"/Users/a", "/Users/a", std::nullopt},
             {"/tmp/x.pdf", "/Users/a", std::nullopt},
             {cloudDocs + "/Notes/n.txt", "/Users/a", "iCloud Drive/Notes"},
             {cloudDocs + "/n.txt", "/Users/a", "iCloud Drive"},
             {cloudDocs + "Extra/n.txt", "/Users/a", "Library/Mobile Documents/com~apple~CloudDocsExtra"},
             {"/Users/a/iCloud Drive/n.txt", "/Users/a", std::nullopt},
             {"/Users/a/iCloud Drive/Notes/n.txt", "/Users/a", std::nullopt},
             {"/Users/a/iCloud Drives/n.txt", "/Users/a", "iCloud Drives"},
         }) {
        EXPECT_EQ(MacPermissionPolicy::displayDir(c.path, c.home), c.dir) << c.path << " in " << c.home;
    }
}

TEST(MacPermissionPolicy, KnowsWellFormedFoldersAndWhatAGrantCovers) {
    struct Valid {
        std::string dir;
        bool valid;
    };
    for (const Valid& c : std::vector<Valid>{
             {"", true},
             {"Documents/Work", true},
             {"iCloud Drive/Notes", true},
             {std::string(1024, 'd'), true},
             {std::string(1025, 'd'), false},
             {"/Documents", false},
             {"Documents/", false},
             {"Documents//Work", false},
             {"Documents/./Work", false},
             {"../x", false},
             {"Documents/..", false},
             {"Docu\tments", false},
             {"Docu\x7Fments", false},
             {std::string("Docu\0ments", 10), false},
             {"~/Documents", true},
         }) {
        EXPECT_EQ(MacPermissionPolicy::isValid(c.dir), c.valid) << c.dir.substr(0, 40);
    }

    struct Cover {
        std::string granted;
        std::string folder;
        bool covers;
    };
    for (const Cover& c : std::vector<Cover>{
             {"Documents", "Documents", true},
             {"Documents", "Documents/Work", true},
             {"Documents/Work", "Documents", false},
             {"Documents/Work", "Documents/Workshop", false},
             {"Documents/Work", "Desktop/Work", false},
             {"", "Documents", false},
             {"", "", false},
             {"Documents", "", false},
             {"Documents/", "Documents/Work", false},
             {"Documents/..", "Documents/../Secrets", false},
         }) {
        EXPECT_EQ(MacPermissionPolicy::covers(c.granted, c.folder), c.covers) << c.granted << " / " << c.folder;
    }
}

TEST(MacPermissionPolicy, FileReadsHoldOnlyInAskModeOutsideGrantedFolders) {
    const std::string home = "/Users/a";
    const std::vector<std::string> documents{"Documents"};
    const Hold desktop{"Let Tarvo read Desktop?", MacPermissionAsk::folder};
    const Hold homeFile{"Let Tarvo read \u201Ca.txt\u201D in your home folder?", std::nullopt};
    struct Case {
        MacPermissionMode mode;
        std::vector<std::string> folders;
        std::string path;
        std::optional<Hold> hold;
    };
    for (const Case& c : std::vector<Case>{
             {MacPermissionMode::ask, documents, "/Users/a/Documents/Work/x.pdf", std::nullopt},
             {MacPermissionMode::ask, documents, "/Users/a/Documents/x.pdf", std::nullopt},
             {MacPermissionMode::ask, documents, "/Users/a/Desktop/x.pdf", desktop},
             {MacPermissionMode::ask, documents, "/Users/a/Documentsx/x.pdf",
              Hold{"Let Tarvo read Documentsx?", MacPermissionAsk::folder}},
             {MacPermissionMode::ask, {"Documents/Work"}, "/Users/a/Documents/x.pdf",
              Hold{"Let Tarvo read Documents?", MacPermissionAsk::folder}},
             {MacPermissionMode::ask, {}, "/Users/a/Desktop/x.pdf", desktop},
             {MacPermissionMode::ask, {"", "Desktop/"}, "/Users/a/Desktop/x.pdf", desktop},
             {MacPermissionMode::ask, {"iCloud Drive"}, cloudDocs + "/Notes/n.txt", std::nullopt},
             {MacPermissionMode::ask, documents, "/Users/a/a.txt", homeFile},
             {MacPermissionMode::ask, documents, "/Volumes/Disk/a.txt", homeFile},
             {MacPermissionMode::ask, documents, "/Users/a/Documents//a.txt", homeFile},
             {MacPermissionMode::ask, documents, "/Users/a/iCloud Drive/a.txt", homeFile},
             {MacPermissionMode::autoRead, {}, "/Users/a/Desktop/x.pdf", std::nullopt},
             {MacPermissionMode::autoRead, {}, "/Users/a/a.txt", std::nullopt},
             {MacPermissionMode::auto_, {}, "/Users/a/Desktop/x.pdf", std::nullopt},
             {MacPermissionMode::auto_, {}, "/Volumes/Disk/a.txt", std::nullopt},
         }) {
        EXPECT_EQ(MacPermissionPolicy::fileHold(c.path, home, MacPermit{c.mode, c.folders, {}}), c.hold) << c.path;
    }
}

TEST(MacPermissionPolicy, ActsHoldOutsideAutoModeUnlessTheAppIsGranted) {
    using Names = std::vector<std::optional<std::string>>;
    const Hold pressMail{"Let Tarvo press buttons in Mail?", MacPermissionAsk::app};
    struct Case {
        MacPermissionMode mode;
        std::vector<std::string> apps;
        std::string kind;
        std::string named;
        Names alsoKnownAs;
        std::optional<Hold> hold;
    };
    for (const Case& c : std::vector<Case>{
             {MacPermissionMode::autoRead, {}, "press_element", "Mail", {}, pressMail},
             {MacPermissionMode::ask, {}, "press_element", "Mail", {}, pressMail},
             {MacPermissionMode::auto_, {}, "press_element", "Mail", {}, std::nullopt},
             {MacPermissionMode::ask, {" MAIL\t"}, "press_element", "mail", {}, std::nullopt},
             {MacPermissionMode::ask, {"com.apple.mail"}, "type_text", "Mail", Names{std::nullopt, "com.apple.mail"},
              std::nullopt},
             {MacPermissionMode::ask, {"Mail"}, "key", "Notes", {}, Hold{"Let Tarvo press keys in Notes?", MacPermissionAsk::app}},
             {MacPermissionMode::ask, {""}, "scroll", "Notes", Names{""},
              Hold{"Let Tarvo scroll in Notes?", MacPermissionAsk::app}},
             {MacPermissionMode::ask, {}, "open_app", "  Notes\t", {}, Hold{"Let Tarvo open Notes?", MacPermissionAsk::app}},
             {MacPermissionMode::ask, {}, "rename_file", "Finder", {},
              Hold{"Let Tarvo rename files in Finder?", MacPermissionAsk::app}},
             {MacPermissionMode::ask, {}, "look", "Mail", {}, std::nullopt},
             {MacPermissionMode::ask, {}, "send_message", "Mail", {}, std::nullopt},
         }) {
        EXPECT_EQ(MacPermissionPolicy::actHold(c.kind, c.named, c.alsoKnownAs, MacPermit{c.mode, {}, c.apps}), c.hold)
            << c.kind << " in " << c.named;
    }
}

TEST(MacPermissionPolicy, WordsEachAppQuestion) {
    struct Case {
        std::string kind;
        std::string question;
    };
    for (const Case& c : std::vector<Case>{
             {"open_app", "Let Tarvo open Notes?"},
             {"press_element", "Let Tarvo press buttons in Notes?"},
             {"type_text", "Let Tarvo type in Notes?"},
             {"key", "Let Tarvo press keys in Notes?"},
             {"scroll", "Let Tarvo scroll in Notes?"},
             {"move_file", "Let Tarvo move files in Notes?"},
             {"rename_file", "Let Tarvo rename files in Notes?"},
             {"delete_file", "Let Tarvo press buttons in Notes?"},
         }) {
        EXPECT_EQ(MacPermissionPolicy::appQuestion(c.kind, " Notes\t"), c.question);
    }
    EXPECT_EQ(MacPermissionPolicy::appQuestion("key", "\nNotes "), "Let Tarvo press keys in \nNotes?")
        << "only spaces and tabs are trimmed";
    EXPECT_EQ(MacPermissionPolicy::folderQuestion("iCloud Drive/Notes"), "Let Tarvo read iCloud Drive/Notes?");
}

TEST(MacPermissionPolicy, FillPutsValuesInOnce) {
    struct Case {
        std::string text;
        std::map<std::string, std::string> values;
        std::string filled;
    };
    for (const Case& c : std::vector<Case>{
             {"Let Tarvo read {folder}?", {{"folder", "Desktop"}}, "Let Tarvo read Desktop?"},
             {"{a} and {a}", {{"a", "x"}}, "x and x"},
             {"{a} {b} {c}", {{"a", "1"}, {"b", "2"}}, "1 2 {c}"},
             {"{A}", {{"a", "x"}}, "{A}"},
             {"{a}{b}", {{"a", "{b}"}, {"b", "2"}}, "{b}2"},
             {"{{a}}", {{"a", "x"}}, "{x}"},
             {"{a", {{"a", "x"}}, "{a"},
             {"", {{"a", "x"}}, ""},
         }) {
        EXPECT_EQ(MacPermissionWords::fill(c.text, c.values), c.filled) << c.text;
    }
}

TEST(MacPermissionPolicy, LargeSendsAlwaysAsk) {
    const std::string eighty(80, 'n');
    struct Case {
        std::string name;
        std::int64_t bytes;
        std::optional<std::string> sentence;
    };
    for (const Case& c : std::vector<Case>{
             {"Backup.zip", 47'999'999, std::nullopt},
             {"Backup.zip", 0, std::nullopt},
             {"Backup.zip", 48'000'000, "Bring \u201CBackup.zip\u201D back from your Mac, 48 MB."},
             {"Backup.zip", 48'499'999, "Bring \u201CBackup.zip\u201D back from your Mac, 48 MB."},
             {"Backup.zip", 48'500'000, "Bring \u201CBackup.zip\u201D back from your Mac, 49 MB."},
             {" Backup\n  2024.zip ", 52'400'000, "Bring \u201CBackup 2024.zip\u201D back from your Mac, 52 MB."},
             {eighty, 48'000'000, "Bring \u201C" + eighty + "\u201D back from your Mac, 48 MB."},
             {eighty + "x", 48'000'000, "Bring \u201C" + eighty + "\u2026\u201D back from your Mac, 48 MB."},
             {"x", INT64_MAX, "Bring \u201Cx\u201D back from your Mac, 9223372036855 MB."},
         }) {
        EXPECT_EQ(MacPermissionPolicy::sendAlwaysAsks(c.name, c.bytes), c.sentence) << c.name << " " << c.bytes;
    }
}
