#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "SessionTest.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/BundleIdentifier.h"
#include "TarvoCompanion/Ports/HeadlessDesktop.h"

namespace tarvo::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using KeyEvent = Desktop::KeyEvent;
using Item = Desktop::PasteboardItem;
using Phase = KeyEvent::Phase;

const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "picture bytes";

mode_t modeOf(const fs::path& path) {
    struct stat entry {};
    ::lstat(path.c_str(), &entry);
    return entry.st_mode & 0777;
}

class NativeInputTest : public SessionTest {
protected:
    NativeInputTest() { session->webView(); }

    // Whether the paste was delivered; it ends without the clock moving.
    bool paste(const fs::path& picture) { return start(session->pasteImageNatively(picture))->value(); }

    fs::path staging() const { return folder / "run" / std::string(bundleIdentifier) / "TarvoOutgoing"; }

    fs::path staged(const std::string& name = "picture.png") {
        return session->stageForPaste({"f1", name, "image/png", png}).value();
    }

    const std::vector<Item> before = {
        {{"public.utf8-plain-text", "hello"}, {"public.html", "<b>hello</b>"}},
        {{"public.png", png}},
    };
};

TEST_F(NativeInputTest, OnlyPicturesAreStagedPrivatelyUnderTheirSafeName) {
    struct Case {
        WhatsAppWeb::OutgoingFile file;
        std::optional<std::string> name;
    };
    const Case cases[] = {
        {{"f1", "holiday.png", "IMAGE/PNG", png}, "holiday.png"},
        {{"f2", "../../etc/passwd", "image/jpeg", "\xff\xd8\xff"}, "passwd"},
        {{"f3", "", "image/gif", "GIF89a"}, "attachment"},
        {{"f4", "report.pdf", "application/pdf", "%PDF-1.7"}, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<fs::path> path = session->stageForPaste(c.file);
        if (!c.name) {
            EXPECT_EQ(path, std::nullopt) << c.file.mimeType;
            continue;
        }
        ASSERT_TRUE(path) << c.file.filename;
        EXPECT_EQ(*path, staging() / *c.name);
        EXPECT_EQ(AtomicFile::read(*path), c.file.data);
        EXPECT_EQ(modeOf(*path), 0600U);
    }
    EXPECT_EQ(modeOf(staging()), 0700U);
    EXPECT_EQ(modeOf(staging().parent_path()), 0700U);
    EXPECT_FALSE(fs::exists(staging() / "report.pdf"));
}

TEST_F(NativeInputTest, ALinkPlantedWhereThePicturesGoIsRefusedAndNothingIsWrittenThere) {
    const fs::path elsewhere = folder / "elsewhere";
    fs::create_directories(elsewhere);
    fs::permissions(elsewhere, fs::perms::owner_all);
    fs::create_directories(staging().parent_path());
    fs::permissions(staging().parent_path(), fs::perms::owner_all);
    fs::create_directory_symlink(elsewhere, staging());

    EXPECT_EQ(session->stageForPaste({"f1", "picture.png", "image/png", png}), std::nullopt);
    EXPECT_THAT(linesWith("could not stage"),
                ElementsAre("tarvo: whatsapp: could not stage the picture for the pasteboard: " + staging().string() +
                            " is a symbolic link"));
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(NativeInputTest, WhileTheUserWorksInTheProgramNothingIsTouched) {
    desktop->active = true;
    desktop->copy(before);
    desktop->key = 5;
    const fs::path picture = staged();

    EXPECT_FALSE(paste(picture));
    startVoid(session->pressReturnNatively());

    EXPECT_EQ(desktop->items, before);
    EXPECT_EQ(desktop->changeCount, 1);
    EXPECT_THAT(desktop->madeKey, IsEmpty());
    EXPECT_THAT(desktop->sent, IsEmpty());
    EXPECT_THAT(linesWith("not pasting"),
                ElementsAre("tarvo: whatsapp: not pasting — he is in the app and it is his clipboard"));
    EXPECT_THAT(linesWith("not pressing"),
                ElementsAre("tarvo: whatsapp: not pressing return natively — he is in the app, and taking key would "
                            "move his focus to an off-screen window"));
}

TEST_F(NativeInputTest, APasteHoldsOnlyThePictureForTheKeysAndGivesTheKeyWindowBack) {
    desktop->copy(before);
    desktop->key = 5;

    EXPECT_TRUE(paste(staged()));

    ASSERT_EQ(desktop->sent.size(), 1U);
    const MemoryDesktop::SentKeys& keys = desktop->sent.front();
    EXPECT_EQ(keys.window, session->window()->number);
    EXPECT_EQ(keys.target, Desktop::KeyTarget::window);
    ASSERT_EQ(keys.events.size(), 2U);
    EXPECT_EQ(keys.events[0].phase, Phase::down);
    EXPECT_EQ(keys.events[1].phase, Phase::up);
    for (const KeyEvent& event : keys.events) {
        EXPECT_EQ(event.keyCode, 9);
        EXPECT_EQ(event.characters, "v");
        EXPECT_EQ(event.charactersIgnoringModifiers, "v");
        EXPECT_TRUE(event.command);
        EXPECT_FALSE(event.isARepeat);
    }
    EXPECT_EQ(desktop->pasteboardAtKeys.front(), (std::vector<Item>{{{"image/png", png}}}));
    EXPECT_THAT(desktop->madeKey, ElementsAre(session->window()->number, 5));
    EXPECT_THAT(linesWith("command-V"), ElementsAre("tarvo: whatsapp: pasted the picture with a real command-V"));
}

TEST_F(NativeInputTest, TwoSecondsAfterAPasteTheUsersPasteboardComesBackUnlessTheyCopiedSinceThen) {
    struct Case {
        const char* name;
        std::optional<std::vector<Item>> before;
        std::optional<std::vector<Item>> copiedMeanwhile;
        std::optional<std::vector<Item>> after;
    };
    const std::vector<Item> picture = {{{"image/png", png}}};
    const std::vector<Item> theirs = {{{"public.utf8-plain-text", "copied meanwhile"}}};
    const Case cases[] = {
        {"untouched", before, std::nullopt, before},
        {"the user copied", before, theirs, theirs},
        {"empty before", std::vector<Item>{}, std::nullopt, std::vector<Item>{}},
        {"no list of items", std::nullopt, std::nullopt, picture},
    };
    for (const Case& c : cases) {
        desktop->items = c.before;
        EXPECT_TRUE(paste(staged())) << c.name;
        advance(1.9);
        if (c.copiedMeanwhile) desktop->copy(*c.copiedMeanwhile);
        EXPECT_NE(desktop->items, c.before) << c.name << ": still borrowed";
        advance(0.1);
        EXPECT_EQ(desktop->items, c.after) << c.name;
    }
}

TEST_F(NativeInputTest, AFileThatIsNoPictureIsNotPasted) {
    desktop->copy(before);
    const fs::path notAPicture = session->stageForPaste({"f1", "fake.png", "image/png", "<svg>not really</svg>"}).value();

    EXPECT_FALSE(paste(notAPicture));
    EXPECT_FALSE(paste(folder / "gone.png"));
    EXPECT_EQ(desktop->items, before);
    EXPECT_THAT(desktop->sent, IsEmpty());
    EXPECT_THAT(linesWith("not an image"), ElementsAre("tarvo: whatsapp: the file is not an image the pasteboard can carry",
                                                       "tarvo: whatsapp: the file is not an image the pasteboard can carry"));
}

TEST_F(NativeInputTest, AReturnGoesStraightToThePageAndTheKeyWindowComesBack) {
    desktop->key = 5;
    startVoid(session->pressReturnNatively());

    ASSERT_EQ(desktop->sent.size(), 1U);
    EXPECT_EQ(desktop->sent.front().target, Desktop::KeyTarget::contentView);
    const std::vector<KeyEvent>& events = desktop->sent.front().events;
    ASSERT_EQ(events.size(), 2U);
    EXPECT_EQ(events[0].phase, Phase::down);
    EXPECT_EQ(events[1].phase, Phase::up);
    EXPECT_EQ(events[0].keyCode, 36);
    EXPECT_EQ(events[0].characters, "\r");
    EXPECT_FALSE(events[0].command);
    EXPECT_THAT(desktop->madeKey, ElementsAre(session->window()->number, 5));
    EXPECT_THAT(log.lines(), IsEmpty()) << "nothing is said of a Return that went";
}

TEST(HeadlessDesktop, NeverPastesAndPressesReturnAsThePageHostsTrustedEnter) {
    LoopWithFakeClock clocked;
    auto page = std::make_shared<MemoryPageHost>();
    HeadlessDesktop desktop(page);

    EXPECT_FALSE(desktop.isActive());
    EXPECT_FALSE(desktop.pasteReachesThePage());
    EXPECT_EQ(desktop.pasteboardItems(), std::nullopt);
    std::vector<KeyEvent> press{{Phase::down, 36, "\r", "\r"}, {Phase::up, 36, "\r", "\r"}};
    runUntilDone(clocked.loop, desktop.sendKeys(1, Desktop::KeyTarget::contentView, press));
    EXPECT_EQ(page->typed, "\r");
}

} // namespace
} // namespace tarvo::testing
