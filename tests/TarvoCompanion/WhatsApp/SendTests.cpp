#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "SessionTest.h"
#include "TarvoBase/BundleIdentifier.h"

namespace tarvo::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using SendOutcome = WhatsAppWeb::SendOutcome;
using OutgoingFile = WhatsAppWeb::OutgoingFile;
using Failure = PageHost::Failure;

const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "picture bytes";
const std::string person = "4915550000001@c.us";
const std::string group = "120363000000000001@g.us";

constexpr const char* opened = R"({"ok":true,"openedRef":"4915550000001@c.us","alreadyOpen":true})";
constexpr const char* notInList =
    R"({"ok":false,"reason":"not_in_list","walked":66,"sameNumber":false,"anyFiber":true,"how":{"chat":66,"none":0}})";
constexpr const char* fileSent = R"({"ok":true,"stage":"sent"})";
constexpr const char* fileWaiting = R"({"ok":false,"stage":"confirm","reason":"Tarvo attached the file and pressed send, and WhatsApp Web still has it waiting."})";
constexpr const char* wordsSent = R"({"ok":true})";

const std::string editorHeldIt =
    "WhatsApp Web would not send the file. Tarvo attached it and WhatsApp's editor opened holding the picture, but "
    "WhatsApp only uploads a file its own chooser produced, and a window parked off screen cannot open one. Send "
    "this one by hand in WhatsApp — the words were held back too, so nothing has gone twice.";

// The send over a linked page in memory. Each script of the send answers by its kind; `ran`
// holds the kinds in the order they ran, and `at` the clock when each did.
class SendTest : public SessionTest {
protected:
    SendTest() {
        switchOn();
        probeAnswer = linkedAnswer;
        page->answer = [this](const std::string& script, const Json& arguments) -> std::optional<std::string> {
            if (isProbe(script)) return probeAnswer;
            const std::string kind = kindOf(script);
            ran.push_back(kind);
            at.push_back(clocked.clock->now() - began);
            if (kind == "open") return openAnswers.empty() ? std::optional<std::string>(opened) : next(openAnswers);
            if (kind == "attach") {
                attachments.push_back(arguments);
                return attachAnswers.empty() ? std::optional<std::string>(fileSent) : next(attachAnswers);
            }
            if (kind == "composer") return "FOOTER controls(1): button";
            if (kind == "after") return "BUTTONS(1 shown 1): footer:Send/send/";
            if (kind == "gone") return goneAnswer;
            if (kind == "text") {
                if (textThrows) throw Failure(Failure::Kind::script, "box.focus is not a function");
                return textAnswer;
            }
            return std::nullopt;
        };
    }

    static std::optional<std::string> next(std::deque<std::optional<std::string>>& answers) {
        std::optional<std::string> answer = answers.front();
        if (answers.size() > 1) answers.pop_front();
        return answer;
    }

    static std::string kindOf(const std::string& script) {
        const auto has = [&script](const char* piece) { return script.find(piece) != std::string::npos; };
        if (has("const want = \"")) return "open";
        if (has("const CLIP = [")) return "attach";
        if (has("FOOTER controls(")) return "composer";
        if (has("BUTTONS(")) return "after";
        if (has("const gone = window.tarvoMediaGone;")) return "gone";
        if (has("const BOX_TRIES")) return "text";
        if (has("window.tarvoStop = true;")) return "stop";
        return "other";
    }

    // Runs the send to its end, moving the clock on a second at a time for at most `seconds`.
    SendOutcome send(std::string ref, std::string body, std::vector<OutgoingFile> files = {},
                     std::optional<std::string> name = std::nullopt, int seconds = 600) {
        const auto result = start(session->send(std::move(ref), std::move(body), std::move(files), std::move(name)));
        for (int second = 0; !result->has_value() && second < seconds; ++second) advance(1);
        EXPECT_TRUE(result->has_value());
        return result->value_or(SendOutcome{});
    }

    int returnsPressed() const {
        int presses = 0;
        for (const auto& keys : desktop->sent) presses += keys.events.front().characters == "\r" ? 1 : 0;
        return presses;
    }

    fs::path staging() const { return folder / "run" / std::string(bundleIdentifier) / "TarvoOutgoing"; }

    std::vector<std::string> ran;
    std::vector<Clock::Duration> at;
    std::vector<Json> attachments;
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> attachAnswers;
    std::optional<std::string> goneAnswer = R"({"gone":false,"known":true})";
    std::optional<std::string> textAnswer = wordsSent;
    bool textThrows = false;
};

const OutgoingFile picture{"f1", "beach.png", "image/png", png};
const OutgoingFile document{"f2", "notes.pdf", "application/pdf; charset=binary", "%PDF-1.7"};

TEST_F(SendTest, APageNotLinkedSendsNothingAndRunsNoScript) {
    probeAnswer = codeAnswer;
    EXPECT_EQ(send(person, "Hello"),
              (SendOutcome{false, "WhatsApp Web is not linked on this Mac. Open Tarvo and scan the code."}));
    EXPECT_THAT(ran, IsEmpty());
}

TEST_F(SendTest, AConversationThatDoesNotOpenSaysWhyAndLogsWhatTheWalkSaw) {
    struct Case {
        std::string ref;
        std::optional<std::string> answer;
        std::string line;
        std::string sentence;
    };
    const std::vector<Case> cases{
        {group, notInList,
         "tarvo: whatsapp: could not open " + group + " — not_in_list walked=66 anyFiber=true how=[\"chat\": 66, \"none\": 0]",
         "That WhatsApp conversation is not in the chat list on this Mac, so Tarvo sent nothing. Open it once in "
         "WhatsApp and try again. (looked at 66 conversations)"},
        {group, std::nullopt, "tarvo: whatsapp: could not open " + group + " — unknown walked=? anyFiber=? how=?",
         "Tarvo could not open that WhatsApp conversation on this Mac, so it sent nothing. Open it in WhatsApp and try "
         "again."},
        {group, R"({"ok":false,"reason":"no_chat_list","rows":0})",
         "tarvo: whatsapp: could not open " + group + " — no_chat_list walked=? anyFiber=? how=?",
         "Tarvo could not read the WhatsApp chat list on this Mac, so it sent nothing. Check WhatsApp is still linked "
         "in Settings."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ran.clear();
        openAnswers = {c.answer};
        EXPECT_EQ(send(c.ref, "Hello"), (SendOutcome{false, c.sentence}));
        // A group has no number to link to: one open, no deep link.
        EXPECT_THAT(ran, ElementsAre("open"));
        EXPECT_EQ(linesWith(c.line).size(), 1u);
    }
    EXPECT_THAT(linesWith("using the deep link"), IsEmpty());
    EXPECT_EQ(page->navigations.size(), 1u);
}

TEST_F(SendTest, APersonNotInTheListIsReachedByTheDeepLinkRoundBySecond) {
    openAnswers = {notInList, notInList, notInList, opened};
    EXPECT_EQ(send(person, "Hello", {}, "Anna"), (SendOutcome{true, std::nullopt}));
    EXPECT_THAT(linesWith("is not in the list"),
                ElementsAre("tarvo: whatsapp: " + person + " is not in the list — using the deep link"));
    EXPECT_EQ(page->navigations.back(), "https://web.whatsapp.com/send?phone=4915550000001");
    // The first open, two rounds that fail, the third that opens, the confirming open, the words.
    EXPECT_THAT(ran, ElementsAre("open", "open", "open", "open", "open", "text"));
    using std::chrono::seconds;
    EXPECT_EQ(at[3] - at[0], seconds(3));
    EXPECT_EQ(at[4], at[3]);
    // Only the first open is given the name to search for.
    EXPECT_NE(page->scripts[1].find("const searchName = \"Anna\";"), std::string::npos);
}

TEST_F(SendTest, ADeepLinkThatNeverOpensGivesUpAfterFortyRounds) {
    openAnswers = {notInList};
    EXPECT_EQ(send(person, "Hello").ok, false);
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "open"), 41);
    EXPECT_EQ(at.back() - at.front(), std::chrono::seconds(40));
    EXPECT_EQ(linesWith("tarvo: whatsapp: could not open " + person + " — not_in_list walked=66").size(), 1u);
}

TEST_F(SendTest, AnOpenThatIsNotConfirmedSendsNothing) {
    openAnswers = {opened, R"({"ok":false,"reason":"opened_the_wrong_chat","openedRef":null})"};
    EXPECT_EQ(send(person, "Hello", {picture}),
              (SendOutcome{false, "Tarvo could not confirm that the right WhatsApp conversation was open, so it sent "
                                  "nothing. Open the conversation in WhatsApp and try again."}));
    EXPECT_THAT(ran, ElementsAre("open", "open"));
}

TEST_F(SendTest, FilesGoInOrderThenTheWordsWithEveryLine) {
    EXPECT_EQ(send(person, "Look at these", {picture, document}), (SendOutcome{true, std::nullopt}));
    EXPECT_THAT(ran, ElementsAre("open", "open", "composer", "attach", "after", "composer", "attach", "after", "text"));
    ASSERT_EQ(attachments.size(), 2u);
    EXPECT_EQ(attachments[0], WhatsAppWeb::attachmentArguments(picture));
    EXPECT_EQ(attachments[1].at("fileType"), "application/pdf");
    EXPECT_THAT(linesWith("tarvo: whatsapp: file "),
                ElementsAre("tarvo: whatsapp: file 1 of 2 (image/png) — stage sent, sent=true",
                            "tarvo: whatsapp: file 2 of 2 (application/pdf) — stage sent, sent=true"));
    EXPECT_THAT(linesWith("tarvo: whatsapp composer report:"),
                ElementsAre("tarvo: whatsapp composer report:\nFOOTER controls(1): button",
                            "tarvo: whatsapp composer report:\nFOOTER controls(1): button"));
    EXPECT_EQ(linesWith("tarvo: whatsapp after attempt (ok=true):\nBUTTONS(").size(), 2u);
}

TEST_F(SendTest, OnlyAPictureIsPastedAndOnlyADeliveredPasteIsWaitedFor) {
    send(person, "", {document});
    EXPECT_THAT(desktop->sent, IsEmpty());
    EXPECT_EQ(at[2], at[1]);

    ran.clear();
    at.clear();
    send(person, "", {picture});
    ASSERT_EQ(desktop->sent.size(), 1u);
    EXPECT_EQ(desktop->sent[0].events.front().characters, "v");
    EXPECT_EQ(at[2] - at[1], std::chrono::milliseconds(1500));
    // The staged copy is gone once the file was handed over.
    EXPECT_TRUE(!fs::exists(staging() / "beach.png"));
}

TEST_F(SendTest, AFileThatStopsEndsTheSendWithWhereItStopped) {
    struct Case {
        const char* name;
        std::optional<std::string> second;
        std::string reason;
    };
    const std::vector<Case> cases{
        {"a stage and a reason", R"({"ok":false,"stage":"notAccepted","reason":"WhatsApp Web will not take a video/mp4 from this Mac, so nothing was sent."})",
         "WhatsApp Web will not take a video/mp4 from this Mac, so nothing was sent. File 2 of 3 — the 1 before it "
         "were sent, and the message itself was not."},
        {"no reason", R"({"ok":false,"stage":"preview"})",
         "WhatsApp Web did not say why. File 2 of 3 — the 1 before it were sent, and the message itself was not."},
        {"an answer that cannot be read", "{", std::string(WhatsAppWeb::couldNotTellWhetherTaken) +
                                                   " File 2 of 3 — the 1 before it were sent, and the message itself was "
                                                   "not."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ran.clear();
        attachAnswers = {fileSent, c.second};
        EXPECT_EQ(send(person, "Hello", {document, document, document}), (SendOutcome{false, c.reason}));
        EXPECT_EQ(std::count(ran.begin(), ran.end(), "attach"), 2);
        EXPECT_EQ(std::count(ran.begin(), ran.end(), "text"), 0);
    }
    EXPECT_EQ(linesWith("tarvo: whatsapp: file 2 of 3 (application/pdf) — stage preview, sent=false").size(), 1u);
    EXPECT_EQ(linesWith("tarvo: whatsapp: file 2 of 3 (application/pdf) — stage none reported, sent=false").size(), 1u);
    EXPECT_EQ(linesWith("tarvo: whatsapp after attempt (ok=false):").size(), 3u);
}

TEST_F(SendTest, AFileWaitingInTheEditorIsSentByOneReturnAndCountsOnlyWhenSeenGone) {
    attachAnswers = {fileSent, fileWaiting};
    EXPECT_EQ(send(person, "Hello", {picture, document}),
              (SendOutcome{false, editorHeldIt + " File 2 of 2 — the 1 before it were sent, and the message itself was "
                                                 "not."}));
    EXPECT_EQ(returnsPressed(), 1);
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "text"), 0);
    EXPECT_THAT(linesWith("could not be confirmed"),
                ElementsAre("tarvo: whatsapp: media send could not be confirmed — reporting failure"));
    EXPECT_EQ(linesWith("tarvo: whatsapp: file 2 of 2 (application/pdf) — stage confirm, sent=false").size(), 1u);

    ran.clear();
    desktop->sent.clear();
    attachAnswers = {fileSent, fileWaiting};
    goneAnswer = R"({"gone":true,"known":true})";
    EXPECT_EQ(send(person, "Hello", {picture, document}), (SendOutcome{true, std::nullopt}));
    EXPECT_EQ(returnsPressed(), 1);
    EXPECT_THAT(ran, ElementsAre("open", "open", "composer", "attach", "after", "composer", "attach", "gone", "after",
                                 "text"));
    EXPECT_EQ(linesWith("tarvo: whatsapp: file 2 of 2 (application/pdf) — stage confirm, sent=true").size(), 1u);
}

TEST_F(SendTest, AConversationThatChangedUnderTheFileIsNeverPressedInto) {
    const std::string switched =
        "WhatsApp Web changed conversation while Tarvo was attaching the file, so nothing was sent. The file is still "
        "attached to the conversation it was meant for, waiting to be sent by hand.";
    attachAnswers = {Json{{"ok", false}, {"stage", "confirm"}, {"reason", switched}}.dump()};
    EXPECT_EQ(send(person, "Hello", {picture}), (SendOutcome{false, switched}));
    EXPECT_EQ(returnsPressed(), 0);
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "gone"), 0);
}

TEST_F(SendTest, WordsThatFailAfterFilesSayTheFilesWent) {
    textAnswer = R"({"ok":false})";
    EXPECT_EQ(send(person, "Hello", {document}),
              (SendOutcome{false, "WhatsApp Web did not say why. The file had already been sent; only the message "
                                  "itself did not go."}));
    textAnswer = R"({"ok":false,"reason":"WhatsApp Web has changed and Tarvo could not find the message box."})";
    EXPECT_EQ(send(person, "Hello", {document, document, document}),
              (SendOutcome{false, "WhatsApp Web has changed and Tarvo could not find the message box. The 3 files had "
                                  "already been sent; only the message itself did not go."}));
    EXPECT_EQ(send(person, "Hello"),
              (SendOutcome{false, "WhatsApp Web has changed and Tarvo could not find the message box."}));
    textThrows = true;
    EXPECT_EQ(send(person, "Hello"), (SendOutcome{false, "Tarvo could not tell whether WhatsApp Web sent that. Nothing is "
                                                         "assumed."}));
}

TEST_F(SendTest, ABlankReplyNeedsAFile) {
    EXPECT_EQ(send(person, " \n\t", {document}), (SendOutcome{true, std::nullopt}));
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "text"), 0);
    EXPECT_EQ(send(person, " \r\n"),
              (SendOutcome{false, "This reply had no words and no files, so nothing was sent."}));
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "text"), 0);
    // The words go as given, spaces and all.
    send(person, "  Hi  ");
    EXPECT_NE(page->scripts.back().find("const body = \"  Hi  \";"), std::string::npos);
}

// A script cut off may have pressed send before it went: the sentence claims nothing about what
// it was doing, and nothing more runs.
TEST_F(SendTest, AScriptCutOffIsNeitherSentNorNotSent) {
    struct Case {
        const char* name;
        const char* held;
        // Which run of that script is held, from 0.
        int heldAt;
        bool endTheBrowser;
        std::vector<OutgoingFile> files;
        std::string reason;
    };
    const std::string couldNotTell(WhatsAppWeb::couldNotTellWhetherTaken);
    const std::vector<Case> cases{
        {"the only file, past its limit", "attach", 0, false, {document}, couldNotTell},
        {"the first of three, the browser gone", "attach", 0, true, {document, document, document},
         couldNotTell + " It was the first of 3 files; nothing after it was sent."},
        {"the second of two, the browser gone", "attach", 1, true, {document, document},
         couldNotTell + " It was file 2 of 2 — the 1 before it were sent, and nothing after it was."},
        {"the words after a file, the browser gone", "text", 0, true, {document},
         "Tarvo could not tell whether WhatsApp Web sent that. Nothing is assumed. The file had already been sent."},
        {"the words alone, past their limit", "text", 0, false, {},
         "Tarvo could not tell whether WhatsApp Web sent that. Nothing is assumed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ran.clear();
        const std::string held = c.held;
        const std::size_t scriptsBefore = page->scripts.size();
        int seen = 0;
        page->holds = [held, heldAt = c.heldAt, &seen](const std::string& script, const Json&) {
            return kindOf(script) == held && seen++ == heldAt;
        };
        const auto result = start(session->send(person, "Hello", c.files, std::nullopt));
        loop.runReady();
        if (c.endTheBrowser) {
            ASSERT_EQ(page->waiting(), 1u);
            page->endPage();
        }
        for (int second = 0; !result->has_value() && second < 600; ++second) advance(1);
        ASSERT_TRUE(result->has_value());
        EXPECT_EQ(**result, (SendOutcome{false, c.reason}));
        // A held script never reaches the answers, so the page's own list says what ran.
        std::vector<std::string> kinds;
        for (std::size_t i = scriptsBefore; i < page->scripts.size(); ++i) kinds.push_back(kindOf(page->scripts[i]));
        EXPECT_EQ(kinds.back(), c.endTheBrowser ? held : "stop");
        EXPECT_EQ(std::count(kinds.begin(), kinds.end(), "text"), held == "text" ? 1 : 0);
        page->holds = nullptr;
        // The next send waits until the page is known to be quiet, then runs.
        advance(200);
        session = makeSession();
    }
}

TEST_F(SendTest, AScriptThatThrowsKeepsItsReason) {
    page->answer = [inner = page->answer](const std::string& script, const Json& arguments) -> std::optional<std::string> {
        if (kindOf(script) == "attach") throw Failure(Failure::Kind::script, "atob is not defined");
        return inner(script, arguments);
    };
    EXPECT_EQ(send(person, "Hello", {document, document}),
              (SendOutcome{false, "Tarvo could not run the WhatsApp send: atob is not defined Nothing was sent — this was "
                                  "the first of 2 files."}));
}

TEST_F(SendTest, APageLoadedAgainAfterTheConfirmingOpenGetsNothingMore) {
    page->answer = [this, inner = page->answer](const std::string& script,
                                                const Json& arguments) -> std::optional<std::string> {
        std::optional<std::string> answer = inner(script, arguments);
        if (kindOf(script) == "after") page->endPage();
        return answer;
    };
    EXPECT_EQ(send(person, "Hello", {document, document}),
              (SendOutcome{false, "The WhatsApp page was loaded again during the send, so Tarvo stopped rather than put "
                                  "anything into a conversation it had not confirmed. File 2 of 2 — the 1 before it "
                                  "were sent, and the message itself was not."}));
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "attach"), 1);
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "text"), 0);
}

} // namespace
} // namespace tarvo::testing
