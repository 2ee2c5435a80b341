#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "CaptureTest.h"

using namespace std::chrono_literals;
using tarvo::ChatDatabase;
using tarvo::ChatDatabaseCaptureReport;
using tarvo::FileSettingsStore;
using tarvo::Json;
using tarvo::testing::CaptureTest;
using tarvo::testing::MessagesDatabaseFixture;

namespace {

std::map<std::string, int> countsOf(const std::vector<std::string>& ids) {
    std::map<std::string, int> counts;
    for (const auto& id : ids) ++counts[id];
    return counts;
}

} // namespace

TEST_F(CaptureTest, ABulkImportWhoseRowsShareOneSecondReachesTheServiceOnceEach) {
    // Older than the live span, so only the full pass reads them, 500 a pass.
    const Date base = noon - 3h;
    const std::int64_t shared = MessagesDatabaseFixture::nanoseconds(base + 300s);
    std::vector<std::string> all;
    messages.execute("begin");
    for (int i = 0; i < 1200; ++i) {
        const std::string guid = "m" + std::to_string(i);
        const auto second = std::chrono::seconds(i < 300 ? i : i - 599);
        const std::int64_t date = i >= 300 && i < 900 ? shared : MessagesDatabaseFixture::nanoseconds(base + second);
        messages.addMessage({.guid = guid, .chat = friendChat, .date = date, .text = "hi", .handle = friendHandle});
        all.push_back(guid);
    }
    messages.execute("commit");
    const auto companion = makeCompanion();

    for (int pass = 0; pass < 4; ++pass) capture(*companion);

    std::vector<std::string> sent = ingestedIds();
    EXPECT_EQ(sent.size(), all.size());
    std::sort(sent.begin(), sent.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(sent, all);
    EXPECT_EQ(companion->cursor().lastMessageDate, base + 600s - 5s);
}

TEST_F(CaptureTest, ASlowServiceGetsABacklogPageOverSeveralTicksEachWithinItsBudget) {
    // Each ingest takes a second of the clock; the rows are older than the live span.
    service.answerBy("POST", "/v1/ingest", [this](const tarvo::testing::RecordedRequest&) {
        clock->advance(1s);
        return tarvo::testing::ScriptedAnswer{.status = 200, .body = "{}"};
    });
    std::vector<std::string> all;
    for (int i = 0; i < 40; ++i) {
        all.push_back("slow-" + std::to_string(i));
        addText(all.back(), noon - 3h + std::chrono::seconds(i));
    }
    const auto companion = makeCompanion();

    capture(*companion);
    const auto budget = std::chrono::seconds(tarvo::Companion::backlogBudget).count();
    EXPECT_EQ(ingestedIds(), std::vector<std::string>(all.begin(), all.begin() + budget));
    const auto lines = log.lines();
    const std::string left = ", " + std::to_string(40 - budget) + " left for the next tick";
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.starts_with("tarvo: capture read 40 message(s) since ") && line.find(left) != std::string::npos;
    }));

    // A restart in between loses nothing and sends nothing twice.
    const auto restarted = makeCompanion();
    for (int tick = 0; tick < 3; ++tick) capture(*restarted);
    EXPECT_EQ(ingestedIds(), all);
}

TEST_F(CaptureTest, PagesOfRowsWithoutTextOrFilesDoNotHoldThePass) {
    const Date base = noon - 3h;
    addText("first", base);
    messages.execute("begin");
    for (int i = 1; i <= 700; ++i) {
        messages.addMessage({.guid = "empty" + std::to_string(i),
                             .chat = friendChat,
                             .date = MessagesDatabaseFixture::nanoseconds(base + std::chrono::seconds(i))});
    }
    messages.execute("commit");
    addText("last", base + 800s);
    const auto companion = makeCompanion();

    capture(*companion);
    EXPECT_EQ(companion->state().skippedWithoutText, 499);
    capture(*companion);
    EXPECT_EQ(companion->state().skippedWithoutText, 201);
    EXPECT_EQ(ingestedIds(), (std::vector<std::string>{"first", "last"}));

    // A page of nothing but such rows still moves the cursor past them.
    for (int i = 0; i < 3; ++i) {
        messages.addMessage({.guid = "later-empty" + std::to_string(i),
                             .chat = friendChat,
                             .date = MessagesDatabaseFixture::nanoseconds(base + 900s + std::chrono::seconds(i))});
    }
    capture(*companion);
    EXPECT_EQ(companion->state().skippedWithoutText, 3);
    EXPECT_EQ(companion->cursor().lastMessageDate, base + 902s - 5s);
    EXPECT_EQ(ingestedIds().size(), 2u);
}

TEST_F(CaptureTest, ARowStoredAfterTheCursorPassedItsDateStillArrives) {
    addText("seen", noon - 10s);
    const auto companion = makeCompanion();
    capture(*companion);
    ASSERT_EQ(companion->cursor().lastMessageDate, noon - 15s);

    clock->advance(60s);
    // Synced late from another device: two minutes old when it appears, older than the cursor.
    addText("late", clock->date() - 2min);
    capture(*companion);
    clock->advance(30s);
    capture(*companion);

    EXPECT_EQ(countsOf(ingestedIds())["late"], 1);
}

TEST_F(CaptureTest, ARowWrittenLateIntoTheOverlapBehindTheFullPassStillArrivesOnce) {
    // Older than the live span, so only the full pass reads them.
    const Date base = noon - 3h;
    addText("first", base);
    addText("scanned", base + 10s);
    const auto companion = makeCompanion();
    capture(*companion);
    ASSERT_EQ(ingestedIds(), (std::vector<std::string>{"first", "scanned"}));

    // Written after that page was read, 3 s behind the last row it held.
    addText("late", base + 7s);
    capture(*companion);
    capture(*companion);

    EXPECT_EQ(ingestedIds(), (std::vector<std::string>{"first", "scanned", "late"}));
    EXPECT_TRUE(logged("tarvo: capture read 2 message(s) since 2026-03-02 07:00:05 +0000, skipped 0 without text or "
                       "files, 1 already sent, named 1, no contact for 0, 0 not looked up (contacts access: "
                       "authorised)"));
}

TEST_F(CaptureTest, TheLivePassReachesTheNewestRowOfAnHourBusierThanOneReading) {
    messages.execute("begin");
    for (int i = 0; i < 600; ++i) addText("busy" + std::to_string(i), noon - 50min + std::chrono::seconds(4 * i));
    messages.execute("commit");
    const auto companion = makeCompanion();
    runUntilDone(loop, companion->captureRecentFirst(companion->client(), "ch-imessage"));

    clock->advance(5s);
    addText("newest", clock->date());
    runUntilDone(loop, companion->captureRecentFirst(companion->client(), "ch-imessage"));

    const auto counts = countsOf(ingestedIds());
    EXPECT_EQ(counts.size(), 601u);
    EXPECT_TRUE(std::all_of(counts.begin(), counts.end(), [](const auto& id) { return id.second == 1; }));
}

TEST_F(CaptureTest, AnOwnSendWhoseIngestFailedGoesAgainStillMarkedAsSentByTarvo) {
    const auto companion = makeCompanion();
    companion->relaySends().record("+15550001", "On my way", noon - 21s);
    messages.addMessage({.guid = "own", .chat = friendChat, .date = MessagesDatabaseFixture::nanoseconds(noon - 20s),
                         .text = "On my way", .isFromMe = true});
    service.queue("POST", "/v1/ingest", 503, R"({"code":"busy"})");

    capture(*companion);

    const auto bodies = ingested();
    ASSERT_EQ(bodies.size(), 2u);
    for (const Json& body : bodies) {
        EXPECT_EQ(body.at("externalMessageId"), "own");
        EXPECT_EQ(body.at("direction"), "outbound");
        EXPECT_EQ(body.value("sentViaTarvo", false), true);
    }
    const auto lines = log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "tarvo: capture recognised its own send in +15550001"), 1);
}

TEST_F(CaptureTest, AnSmsRowWithoutAnSmsChannelIsDroppedAndTheCursorPassesIt) {
    const auto smsChat = messages.addChat({.chatIdentifier = "+15550009", .serviceName = "SMS"});
    addText("imessage", noon - 3h);
    addText("sms", noon - 3h + 10s, smsChat);
    const auto companion = makeCompanion();

    capture(*companion);

    EXPECT_EQ(ingestedIds(), (std::vector<std::string>{"imessage"}));
    EXPECT_TRUE(logged("tarvo: capture read 2 message(s) since 2026-02-23 10:00:00 +0000, skipped 0 without text or "
                       "files, DROPPED 1 SMS because the SMS channel is not connected, named 1, no contact for 0, 0 "
                       "not looked up (contacts access: authorised)"));
    EXPECT_EQ(companion->cursor().lastMessageDate, noon - 3h + 5s);
    EXPECT_EQ(companion->chatDbReport().backlog->stage, ChatDatabaseCaptureReport::Stage::read);
    EXPECT_EQ(companion->state().lastCaptureAt, noon);
}

TEST_F(CaptureTest, ACaptureAfterARestartResumesFromTheStoredCursor) {
    addText("old", noon - 3h);
    capture(*makeCompanion());

    defaults = std::make_shared<FileSettingsStore>(folder / "config");
    addText("older", noon - 3h - 1min);
    addText("new", noon - 2h);
    const auto restarted = makeCompanion();
    EXPECT_EQ(restarted->cursor().lastMessageDate, noon - 3h - 5s);
    capture(*restarted);

    // The few seconds before the cursor's row are read again after a restart, nothing earlier,
    // and what went before the restart does not go again.
    EXPECT_EQ(ingestedIds(), (std::vector<std::string>{"old", "new"}));
}

TEST_F(CaptureTest, TheLivePassGoesOnPastAFailedIngestButStopsMovingTheCursor) {
    addText("seed", noon - 40s);
    const auto companion = makeCompanion();
    capture(*companion);
    ASSERT_EQ(companion->cursor().lastMessageDate, noon - 45s);
    addText("a", noon - 30s);
    addText("b", noon - 20s);
    addText("c", noon - 10s);
    service.queue("POST", "/v1/ingest", 200, "{}");
    service.queue("POST", "/v1/ingest", 500, R"({"code":"oops"})");

    runUntilDone(loop, companion->captureRecentFirst(companion->client(), "ch-imessage"));

    const auto sent = ingestedIds();
    EXPECT_EQ(std::vector<std::string>(sent.end() - 3, sent.end()), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(companion->cursor().lastMessageDate, noon - 35s);
    EXPECT_EQ(companion->chatDbReport().live->stage, ChatDatabaseCaptureReport::Stage::failed);
    EXPECT_TRUE(logged("tarvo: live pass sent 2 of 4 recent message(s), 1 already sent, named 3, no contact for 0, 0 "
                       "not looked up (contacts access: authorised)"));
    // One line for the pass, however many failed.
    EXPECT_EQ(linesStartingWith("tarvo: live ingest failed"), 1);
    EXPECT_EQ(linesStartingWith("tarvo: live ingest failed for 1 message(s), the last because: "), 1);
}

TEST_F(CaptureTest, CaptureWaitsForReadableMessagesASignInAndAChannel) {
    struct Case {
        const char* line;
        bool readable;
        bool signedIn;
        bool channel;
    };
    const Case cases[] = {
        {"tarvo: capture skipped — this Mac cannot read Messages", false, true, true},
        {"tarvo: capture skipped — not signed in", true, false, true},
        {"tarvo: capture skipped — no iMessage channel id yet", true, true, false},
    };
    addText("waiting", noon - 10s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        defaults->set(c.channel ? std::optional<Json>("ch-imessage") : std::nullopt,
                      tarvo::CompanionSettings::imessageChannelIdKey);
        const auto companion = makeCompanion(c.signedIn ? signedInClient() : nullptr,
                                             c.readable ? messages.path() : folder / "missing.db");
        capture(*companion);
        capture(*companion);
        EXPECT_EQ(linesStartingWith(c.line), 1) << "said once, not every tick";
        EXPECT_FALSE(companion->chatDbReport().live || companion->chatDbReport().backlog);
    }
    EXPECT_TRUE(service.requests().empty());
}
