#include <gtest/gtest.h>

#include <csignal>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "SessionInChromium.h"
#include "TarvoBase/HexString.h"
#include "TarvoBase/Sha256.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"

namespace tarvo::testing {
namespace {

using namespace std::chrono_literals;
using SendOutcome = WhatsAppWeb::SendOutcome;
using OutgoingFile = WhatsAppWeb::OutgoingFile;

const OutgoingFile picture{"f1", "beach.png", "image/png", std::string("\x89PNG\r\n\x1a\n", 8) + "picture bytes"};
const OutgoingFile secondPicture{"f2", "dunes.png", "image/png", std::string("\x89PNG\r\n\x1a\n", 8) + "more bytes"};

// A list of `count` people, each with their own number, as the chat app takes it.
Json people(int count) {
    Json chats = Json::array();
    for (int i = 0; i < count; ++i) {
        chats.push_back({{"ref", fmt::format("4915{:09}@c.us", i)}, {"name", fmt::format("Person {}", i)}});
    }
    return chats;
}

Task<void> keepOutcome(std::shared_ptr<HostedWhatsAppSession> session, std::string ref, std::string body,
                       std::vector<OutgoingFile> files, std::shared_ptr<std::optional<SendOutcome>> into) {
    SendOutcome outcome = co_await session->send(std::move(ref), std::move(body), std::move(files), std::nullopt);
    into->emplace(std::move(outcome));
}

// The send over the chat app in a real browser; the chat app records what left it.
class SendInChromium : public HostedSessionInChromium {
protected:
    void showChats(const Json& chats, const std::string& open, const std::string& more = "") {
        ASSERT_EQ(settle(), SessionState::linked()) << lines();
        inPage(fmt::format("fixture.reset({{ chats: {}, open: {}{} }}); fixture.events.length = 0", chats.dump(),
                           Json(open).dump(), more));
    }

    SendOutcome send(std::string ref, std::string body, std::vector<OutgoingFile> files = {}) {
        return run(session->send(std::move(ref), std::move(body), std::move(files), std::nullopt));
    }

    // Whether `expression` became true in the page within the test's patience.
    Task<bool> pageShows(std::string expression) {
        const std::string asked = "String(!!(" + expression + "))";
        for (auto waited = 0ms; waited < patience; waited += 50ms) {
            std::optional<std::string> seen;
            try {
                seen = co_await host->evaluate(asked, patience);
            } catch (const PageHost::Failure&) {
                // A page between documents answers nothing yet.
            }
            if (seen == "true") co_return true;
            co_await sleepFor(50ms);
        }
        co_return false;
    }

    // The files and words that left the page, once every file's hash is known.
    Json leftThePage() {
        EXPECT_TRUE(run(pageShows("fixture.events.every((e) => e.type !== 'fileSent' || e.hash)")));
        return Json::parse(inPage("JSON.stringify(fixture.events.filter((e) => e.type === 'fileSent' || "
                                  "e.type === 'sent').map(({ type, ref, name, mime, size, hash, text }) => "
                                  "({ type, ref, name, mime, size, hash, text })))"));
    }

    // The send, with the browser killed once the page shows `sign`; `recorded` is what had left
    // the page by then.
    SendOutcome sendKillingTheBrowserAt(const std::string& sign, std::string ref, std::string body,
                                        std::vector<OutgoingFile> files, Json& recorded) {
        auto outcome = std::make_shared<std::optional<SendOutcome>>();
        spawn(keepOutcome(session, std::move(ref), std::move(body), std::move(files), outcome));
        EXPECT_TRUE(run(pageShows(sign))) << sign;
        recorded = leftThePage();
        ::kill(host->browserProcess().value(), SIGKILL);
        run(waitUntil([outcome] { return outcome->has_value(); }));
        return outcome->value_or(SendOutcome{true, "the send never ended"});
    }

    static Json fileRecord(const std::string& ref, const OutgoingFile& file) {
        return {{"type", "fileSent"}, {"ref", ref}, {"name", file.filename}, {"mime", file.mimeType},
                {"size", file.data.size()}, {"hash", hexString(Sha256::of(file.data))}};
    }
    static Json wordsRecord(const std::string& ref, const std::string& text) {
        return {{"type", "sent"}, {"ref", ref}, {"text", text}};
    }
};

TEST_F(SendInChromium, WordsAndAPictureReachOnlyTheirChatFarDownTheListOrByTheDeepLink) {
    struct Case {
        const char* name;
        std::string ref;
    };
    const std::string notListed = "4917099999999@c.us";
    host->serve(std::string(WhatsAppWeb::url) + "send?phone=4917099999999", {.body = AtomicFile::read(TARVO_CHAT_APP)});
    const Json list = people(200);
    for (const Case& c : {Case{"far down the list", list[150].at("ref")}, Case{"not in the list", notListed}}) {
        SCOPED_TRACE(c.name);
        showChats(list, list[0].at("ref"));

        const SendOutcome outcome = send(c.ref, "Here it is", {picture});

        EXPECT_TRUE(outcome.ok) << outcome.reason.value_or("");
        EXPECT_EQ(leftThePage(), Json::array({fileRecord(c.ref, picture), wordsRecord(c.ref, "Here it is")}));
    }
    int deepLinks = 0;
    for (const std::string& line : log.lines()) deepLinks += line.ends_with("is not in the list — using the deep link");
    EXPECT_EQ(deepLinks, 1);
}

TEST_F(SendInChromium, WordsArriveAsTyped) {
    const std::vector<std::string> bodies{
        R"(she said "hi" and 'bye')",
        R"(back\slash \n \\ \")",
        "</script><script>alert(1)</script>",
        "separators \u2028 and \u2029 inside",
        "emoji \U0001F44B\U0001F3FD family \U0001F468\u200D\U0001F469\u200D\U0001F467",
        "windows\r\nline ends",
    };
    const Json list = people(3);
    const std::string ref = list[1].at("ref");
    showChats(list, ref);

    Json expected = Json::array();
    for (const std::string& body : bodies) {
        const SendOutcome outcome = send(ref, body);
        EXPECT_TRUE(outcome.ok) << body << ": " << outcome.reason.value_or("");
        std::string typed = body;
        std::erase(typed, '\r');
        expected.push_back(wordsRecord(ref, typed));
    }
    EXPECT_EQ(leftThePage(), expected);
}

// A browser that ends under a script may have taken its file or words: the outcome claims
// neither, nothing of the send runs in the next browser, and nothing left twice.
TEST_F(SendInChromium, ABrowserKilledUnderTheSendIsNeitherSentNorNotSentAndNothingMoreRuns) {
    struct Case {
        const char* name;
        std::string state;
        std::string sign;
        std::vector<OutgoingFile> files;
        std::string reason;
        std::size_t leftBefore;
    };
    const std::vector<Case> cases{
        {"the editor holding the first of two files", ", editorSendWorks: false", "document.querySelector('[role=\"dialog\"]')",
         {picture, secondPicture},
         std::string(WhatsAppWeb::couldNotTellWhetherTaken) + " It was the first of 2 files; nothing after it was sent.",
         0},
        {"just after the words' send was pressed", ", composerClearsAfterMs: null",
         "fixture.events.some((e) => e.type === 'sent')", {picture},
         "Tarvo could not tell whether WhatsApp Web sent that. Nothing is assumed. The file had already been sent.", 2},
    };
    const Json list = people(3);
    const std::string ref = list[2].at("ref");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        showChats(list, ref, c.state);
        const int endsBefore = page->pagesEnded();

        Json recorded;
        const SendOutcome outcome = sendKillingTheBrowserAt(c.sign, ref, "Hello", c.files, recorded);

        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_EQ(recorded.size(), c.leftBefore) << recorded.dump();
        ASSERT_EQ(settle(), SessionState::linked()) << "the next browser\n" << lines();
        for (const RecordingPageHost::Call& call : page->calls) {
            if (call.pagesEndedBefore > endsBefore) {
                EXPECT_EQ(call.what, WhatsAppWeb::sessionProbeScript());
            }
        }
        EXPECT_EQ(inPage("JSON.stringify(fixture.events)"), "[]");
    }
}

} // namespace
} // namespace tarvo::testing
