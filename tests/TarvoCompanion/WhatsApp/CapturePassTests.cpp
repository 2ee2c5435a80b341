#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "SessionTest.h"
#include "TarvoCore/WhatsApp/RowPrints.h"

namespace tarvo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ReadResult = WhatsAppWeb::ReadResult;
using IngestPass = WhatsAppWeb::IngestPass;
using Key = HostedWhatsAppSession;

// The capture pass over a linked page in memory whose capture script answers `report`.
class CapturePass : public SessionTest {
protected:
    CapturePass() {
        switchOn();
        probeAnswer = linkedAnswer;
        page->answer = [this](const std::string& script, const Json&) -> std::optional<std::string> {
            if (isProbe(script)) return probeAnswer;
            if (!isCapture(script)) return std::nullopt;
            captures.push_back(script);
            return report;
        };
    }

    static bool isCapture(const std::string& script) { return script.find("tarvoPeekPass(") != std::string::npos; }

    ReadResult readNew(const std::shared_ptr<HostedWhatsAppSession>& on) {
        const auto read = start(on->readNew());
        loop.runReady();
        EXPECT_TRUE(read->has_value());
        return read->value_or(ReadResult{});
    }
    ReadResult readNew() { return readNew(session); }

    // A report of the capture script at stage `stage`, with these prints and messages.
    static std::string reportOf(const std::string& stage, const std::vector<std::string>& prints, int changed = 0,
                                int deferred = 0, const Json& messages = Json::array()) {
        Json answer = {{"ok", true},       {"stage", stage},         {"messages", messages},
                       {"changed", changed}, {"deferred", deferred}, {"fingerprints", Json::array()}};
        for (const auto& print : prints) answer["fingerprints"].push_back(print);
        return answer.dump();
    }
    static Json messageIn(const std::string& id, const std::string& chat) {
        return {{"id", id}, {"conv", "4915550" + chat + "@c.us"}, {"fromMe", false}, {"t", 1767000000},
                {"text", "text of " + id}, {"chat", chat}};
    }

    std::optional<Json> stored(std::string_view key) const { return defaults->object(key); }
    std::vector<std::string> storedPrints() const {
        std::vector<std::string> prints;
        if (const auto value = stored(Key::rowPrintsKey); value && value->is_array()) {
            for (const auto& print : *value) prints.push_back(print.get<std::string>());
        }
        return prints;
    }
    void storePrints(const std::vector<std::string>& prints) {
        Json array = Json::array();
        for (const auto& print : prints) array.push_back(print);
        defaults->set(array, Key::rowPrintsKey);
    }
    // Whether the last capture script holds `piece`.
    bool lastScriptHas(const std::string& piece) const {
        return !captures.empty() && captures.back().find(piece) != std::string::npos;
    }

    std::string report = reportOf("nothingChanged", {"a|1", "b|1"});
    std::vector<std::string> captures;
};

TEST_F(CapturePass, KeepsItsBookkeepingPassByPass) {
    struct Case {
        const char* name;
        std::optional<Json> sweepBefore;
        std::vector<std::string> printsBefore;
        std::string report;
        std::optional<std::int64_t> sweepAfter;
        std::vector<std::string> printsAfter;
        std::size_t sweepStartLines;
        std::size_t sweepDoneLines;
    };
    const std::vector<Case> cases{
        {"first pass ever, rows changed", std::nullopt, {"old|1"}, reportOf("firstLook", {"a|1"}, 1), -1, {"a|1"}, 1, 0},
        {"first pass ever, nothing changed", std::nullopt, {}, reportOf("nothingChanged", {"a|1"}), 1, {"a|1"}, 1, 1},
        {"sweep done on a quiet pass", Json(-1), {"a|1"}, reportOf("nothingChanged", {"a|2"}), 1, {"a|2"}, 0, 1},
        {"a changed chat keeps the sweep running", Json(-1), {"a|1"}, reportOf("read", {"a|2"}, 1), -1, {"a|2"}, 0, 0},
        {"a deferred chat keeps the sweep running", Json(-1), {"a|1"}, reportOf("read", {"a|2"}, 0, 1), -1, {"a|2"},
         0, 0},
        {"no prints keep the stored ones and cannot finish the sweep", Json(-1), {"a|1"},
         reportOf("chatListMissing", {}), -1, {"a|1"}, 0, 0},
        {"a done sweep is never started again", Json(1), {"a|1"}, reportOf("nothingChanged", {}), 1, {"a|1"}, 0, 0},
        {"a sweep of the wrong type reads as not started", Json("done"), {"a|1"}, reportOf("read", {"b|1"}, 1), -1,
         {"b|1"}, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        defaults = std::make_shared<MemorySettingsStore>();
        switchOn();
        if (c.sweepBefore) defaults->set(*c.sweepBefore, Key::sweepVersionKey);
        storePrints(c.printsBefore);
        auto fresh = makeSession();
        report = c.report;
        const std::string started = "tarvo: whatsapp: reading every conversation once, as agreed";
        const std::string done = "tarvo: whatsapp: every conversation has been read once";
        const std::size_t startedBefore = linesWith(started).size();
        const std::size_t doneBefore = linesWith(done).size();

        readNew(fresh);

        EXPECT_EQ(stored(Key::sweepVersionKey), c.sweepAfter ? std::optional<Json>(*c.sweepAfter) : std::nullopt);
        EXPECT_EQ(storedPrints(), c.printsAfter);
        EXPECT_EQ(linesWith(started).size() - startedBefore, c.sweepStartLines);
        EXPECT_EQ(linesWith(done).size() - doneBefore, c.sweepDoneLines);
        EXPECT_EQ(lastScriptHas("const firstLook = known.size === 0 && !true;"),
                  !c.sweepBefore || !c.sweepBefore->is_number_integer() || c.sweepBefore->get<int>() <= 0);
        EXPECT_TRUE(stored(Key::peekScheduleKey).has_value());
    }
}

TEST_F(CapturePass, TheCursorMovesOnEveryPassThatGetsPastTheLinkedCheck) {
    readNew();
    EXPECT_TRUE(lastScriptHas("const cursor = 0;"));
    EXPECT_EQ(stored(Key::captureCursorKey), Json(1));

    defaults->set(Json("seven"), Key::captureCursorKey);
    readNew();
    EXPECT_TRUE(lastScriptHas("const cursor = 0;"));
    defaults->set(Json(41), Key::captureCursorKey);
    readNew();
    EXPECT_TRUE(lastScriptHas("const cursor = 41;"));
    EXPECT_EQ(stored(Key::captureCursorKey), Json(42));
}

TEST_F(CapturePass, ANotLinkedPageIsNotReadAndNothingIsWritten) {
    probeAnswer = codeAnswer;
    const auto read = start(session->readNew());
    advance(60);
    ASSERT_TRUE(read->has_value());
    EXPECT_EQ((*read)->note, "nothing was read: WhatsApp Web is needsLink (waiting for a phone to scan the code) on "
                             "this Mac");
    EXPECT_THAT(captures, IsEmpty());
    EXPECT_EQ(stored(Key::captureCursorKey), std::nullopt);
    EXPECT_EQ(stored(Key::sweepVersionKey), std::nullopt);
    EXPECT_EQ(stored(Key::peekScheduleKey), std::nullopt);
}

TEST_F(CapturePass, AScriptPastItsDeadlineLeavesAllButTheCursorAndTheSweepStart) {
    defaults->set(Json(-1), Key::sweepVersionKey);
    storePrints({"a|1"});
    report = reportOf("read", {"a|2"}, 1, 0, Json::array({messageIn("m1", "a")}));
    readNew();
    const std::string schedule = stored(Key::peekScheduleKey)->get<std::string>();
    const std::string line = session->peekLine();

    page->holds = [](const std::string& script, const Json&) { return isCapture(script); };
    const auto read = start(session->readNew());
    advance(WhatsAppWeb::captureDeadline.count() + 1);
    ASSERT_TRUE(read->has_value());
    EXPECT_EQ((*read)->note, "nothing was read: the capture script did not run — see the line above");
    EXPECT_THAT((*read)->messages, IsEmpty());
    EXPECT_EQ(stored(Key::captureCursorKey), Json(2));
    EXPECT_EQ(stored(Key::peekScheduleKey), Json(schedule));
    EXPECT_EQ(session->peekLine(), line);
    // The first pass's message was never posted, so its chat keeps its old print.
    EXPECT_THAT(storedPrints(), ElementsAre("a|1"));
}

TEST_F(CapturePass, AnAnswerThatIsNotJsonIsBookedAsAnEmptyReading) {
    storePrints({"a|1"});
    defaults->set(Json(1), Key::sweepVersionKey);
    report = "this is not a report";
    const ReadResult read = readNew();
    EXPECT_EQ(read.stage, std::nullopt);
    EXPECT_TRUE(read.note.has_value());
    EXPECT_THAT(storedPrints(), ElementsAre("a|1"));
    EXPECT_TRUE(stored(Key::peekScheduleKey).has_value());
}

TEST_F(CapturePass, ReopeningCountsAChatOnceAndWritesTheScheduleEveryTime) {
    storePrints({"a|1", "b|1"});
    defaults->set(Json(1), Key::sweepVersionKey);
    defaults->set(Json("stale"), Key::peekScheduleKey);
    EXPECT_THAT(session->reopenNextPass(IngestPass{}), IsEmpty());
    EXPECT_THAT(storedPrints(), ElementsAre("a|1", "b|1"));
    EXPECT_NE(stored(Key::peekScheduleKey), Json("stale"));

    WhatsAppWeb::Message opened;
    opened.externalId = "m1";
    opened.chatKey = "a";
    WhatsAppWeb::Message peeked = opened;
    peeked.externalId = "m2";
    peeked.peeked = true;
    IngestPass pass;
    pass.notTried = {opened, peeked};
    EXPECT_EQ(session->reopenNextPass(pass), std::set<std::string>{"a"});
    EXPECT_THAT(storedPrints(), ElementsAre("b|1"));
}

// Prints say a chat was read; they may say so only once its messages reached the service.
TEST_F(CapturePass, AProgramEndedBetweenTheReadAndThePostReadsThoseChatsAgain) {
    defaults->set(Json(1), Key::sweepVersionKey);
    storePrints({"a|1", "b|1", "c|1"});
    report = reportOf("read", {"a|2", "b|2", "c|2", "d|1"}, 3, 0,
                      Json::array({messageIn("m1", "a"), messageIn("m2", "d")}));
    const ReadResult read = readNew();
    ASSERT_EQ(read.messages.size(), 2u);
    EXPECT_THAT(storedPrints(), ElementsAre("a|1", "b|2", "c|2"));

    // A new process over the same settings, without the posts or `reopenNextPass`.
    auto restarted = makeSession();
    report = reportOf("read", {"a|2", "b|2", "c|2", "d|1"}, 2, 0,
                      Json::array({messageIn("m1", "a"), messageIn("m2", "d")}));
    EXPECT_EQ(readNew(restarted).messages.size(), 2u);
    EXPECT_TRUE(lastScriptHas(R"(const knownList = ["a|1","b|2","c|2"];)"));

    IngestPass pass;
    pass.posted = read.messages;
    pass.failed = {{read.messages[1], std::make_exception_ptr(std::runtime_error("refused"))}};
    pass.posted.pop_back();
    const std::set<std::string> reopened = restarted->reopenNextPass(pass);
    EXPECT_EQ(reopened, std::set<std::string>{"d"});
    EXPECT_THAT(storedPrints(), ElementsAre("a|2", "b|2", "c|2"));
}

TEST_F(CapturePass, APageThatLostItsChatListIsAskedAgainOnTheNextPass) {
    report = reportOf("chatListMissing", {});
    readNew();
    probeAnswer = codeAnswer;
    const auto read = start(session->readNew());
    advance(60);
    ASSERT_TRUE(read->has_value());
    EXPECT_EQ((*read)->note, "nothing was read: WhatsApp Web is needsLink (waiting for a phone to scan the code) on "
                             "this Mac");
}

} // namespace
} // namespace tarvo::testing
