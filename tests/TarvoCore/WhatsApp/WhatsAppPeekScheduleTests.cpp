#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/WhatsApp/PeekSchedule.h"

using namespace tarvo::WhatsAppWeb;
using Date = PeekSchedule::Date;
using Keys = std::vector<std::string>;
using Tags = PeekSchedule::Tags;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

const Date now = Date(seconds(1765000000));

PeekSchedule empty() { return PeekSchedule(PeekSchedule::currentVersion); }

// A chat waiting on `tag` since `waited` ago, last read `read` ago.
void waiting(PeekSchedule& schedule, const std::string& key, seconds waited, seconds read, std::string tag = "m1") {
    schedule.waitingSince[key] = now - waited;
    schedule.waitingFor[key] = {std::move(tag)};
    schedule.lastRead[key] = now - read;
}

Message inChat(std::string id, std::optional<std::string> chat) {
    return {.externalId = std::move(id), .chatKey = std::move(chat), .peeked = true};
}

} // namespace

TEST(WhatsAppPeekSchedule, AFewWaitingChatsGoFirstThenTheFreshThenTheOldestRead) {
    PeekSchedule schedule = empty();
    for (const auto* key : {"w1", "w2", "w3", "w4"}) waiting(schedule, key, seconds(3600), seconds(120));
    schedule.lastRead["d"] = now - seconds(600);
    EXPECT_EQ(schedule.due({"d", "w1", "f1", "w2", "w3", "f2", "w4"}, now),
              (Keys{"w1", "w2", "w3", "f1", "f2", "d", "w4"}));
}

TEST(WhatsAppPeekSchedule, AChatIsDueOnlyOnceItsIntervalHasPassed) {
    struct Row {
        const char* name;
        std::optional<seconds> waited;
        std::optional<seconds> read;
        bool due;
    };
    const std::vector<Row> rows{
        {"waiting, read 30 s ago", seconds(3600), seconds(30), false},
        {"waiting, read 59 s ago", seconds(3600), seconds(59), false},
        {"waiting, read 60 s ago", seconds(3600), seconds(60), true},
        {"waiting, never read", seconds(3600), std::nullopt, true},
        {"read 299 s ago", std::nullopt, seconds(299), false},
        {"read 300 s ago", std::nullopt, seconds(300), true},
        {"never read", std::nullopt, std::nullopt, true},
        {"waited just under six hours, read 120 s ago", seconds(21599), seconds(120), true},
        {"waited six hours, read 120 s ago", seconds(21600), seconds(120), false},
        {"waited six hours, read 300 s ago", seconds(21600), seconds(300), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        PeekSchedule schedule = empty();
        if (row.waited) schedule.waitingSince["k"] = now - *row.waited;
        if (row.waited) schedule.waitingFor["k"] = {"m1"};
        if (row.read) schedule.lastRead["k"] = now - *row.read;
        EXPECT_EQ(schedule.due({"k"}, now), row.due ? Keys{"k"} : Keys{});
    }
}

TEST(WhatsAppPeekSchedule, AChatWaitingSixHoursLosesItsPlaceAtTheHead) {
    PeekSchedule schedule = empty();
    schedule.lastRead["old"] = now - seconds(400);
    waiting(schedule, "slow", seconds(21599), seconds(400));
    waiting(schedule, "overdue", seconds(21600), seconds(400));
    EXPECT_EQ(schedule.due({"old", "overdue", "slow"}, now), (Keys{"slow", "old", "overdue"}));
}

TEST(WhatsAppPeekSchedule, DueNamesEachChatOnceAndNeverTheEmptyKey) {
    EXPECT_EQ(empty().due({"", "a", "b", "a", "", "b"}, now), (Keys{"a", "b"}));
    EXPECT_TRUE(empty().due({}, now).empty());
}

TEST(WhatsAppPeekSchedule, ChatsReadAtTheSameTimeKeepTheirListOrder) {
    PeekSchedule schedule = empty();
    schedule.lastRead = {{"x", now - seconds(400)}, {"y", now - seconds(400)}, {"z", now - seconds(500)}};
    EXPECT_EQ(schedule.due({"x", "y", "z"}, now), (Keys{"z", "x", "y"}));
    EXPECT_EQ(schedule.due({"y", "x", "z"}, now), (Keys{"z", "y", "x"}));
}

TEST(WhatsAppPeekSchedule, AWaitFromItsFirstPassUntilEveryTagResolves) {
    PeekSchedule schedule = empty();
    const Keys listed{"k", "other"};
    schedule.record({.peekedChats = {"k"}, .waitingTags = {{"k", {"y", "x"}}}}, listed, now);
    EXPECT_EQ(schedule.waitingSince, (std::map<std::string, Date>{{"k", now}}));
    EXPECT_EQ(schedule.waitingFor.at("k"), (Tags{"x", "y"}));
    EXPECT_EQ(schedule.watching({"k", "other"}), (std::map<std::string, Tags>{{"k", {"x", "y"}}}));
    EXPECT_EQ(schedule.summary(),
              "1 chat(s) with a message still decrypting, re-read without opening every minute for up to six hours");

    const Date second = now + seconds(60);
    schedule.record({.harvestedChats = {"k"}, .resolvedTags = {{"k", {"x"}}}}, listed, second);
    EXPECT_EQ(schedule.waitingSince.at("k"), now);
    EXPECT_EQ(schedule.waitingFor.at("k"), (Tags{"y"}));

    const Date third = now + seconds(120);
    schedule.record({.peekedChats = {"k"}, .resolvedTags = {{"k", {"y"}}}}, listed, third);
    EXPECT_TRUE(schedule.waitingSince.empty());
    EXPECT_TRUE(schedule.waitingFor.empty());
    EXPECT_EQ(schedule.lastRead, (std::map<std::string, Date>{{"k", third}}));
    EXPECT_EQ(schedule.present, (std::map<std::string, Date>{{"k", third}, {"other", third}}));
    EXPECT_EQ(schedule.summary(), "");
}

TEST(WhatsAppPeekSchedule, AChatPeekedBlindIsReadButKeepsItsWait) {
    PeekSchedule schedule = empty();
    waiting(schedule, "k", seconds(600), seconds(120), "x");
    schedule.present["k"] = now - seconds(120);
    const PeekSchedule before = schedule;
    schedule.record({.peekBlindChats = {"k"}, .waitingTags = {{"k", {"z"}}}, .resolvedTags = {{"k", {"x"}}}}, {}, now);
    EXPECT_EQ(schedule.lastRead.at("k"), now);
    EXPECT_EQ(schedule.present.at("k"), now);
    EXPECT_EQ(schedule.waitingSince, before.waitingSince);
    EXPECT_EQ(schedule.waitingFor, before.waitingFor);
}

TEST(WhatsAppPeekSchedule, SixHoursOfWaitingGivesTheTagsUpButStillWatchesForThem) {
    PeekSchedule schedule = empty();
    waiting(schedule, "k", seconds(21600) - seconds(60), seconds(60), "x");
    schedule.waitingSince["j"] = now - seconds(600);
    schedule.waitingFor["j"] = {"q"};
    schedule.abandoned["k"] = {"w"};
    schedule.record({.peekedChats = {"k"}, .waitingTags = {{"k", {"x"}}}}, {"k", "j"}, now + seconds(60));
    EXPECT_EQ(schedule.gaveUpLastPass, 1);
    EXPECT_FALSE(schedule.waitingSince.contains("k"));
    EXPECT_FALSE(schedule.waitingFor.contains("k"));
    EXPECT_EQ(schedule.abandoned.at("k"), (Tags{"w", "x"}));
    EXPECT_EQ(schedule.watching({"k"}), (std::map<std::string, Tags>{{"k", {"w", "x"}}}));
    EXPECT_EQ(schedule.summary(),
              "1 chat(s) with a message still decrypting, re-read without opening every minute for up to six hours, "
              "1 chat(s) still decrypting after six hours, or no longer in the page's memory \xe2\x80\x94 re-read every "
              "five minutes like the rest from now on");

    // A given-up tag still reported waiting stays given up; one that turns up leaves the list.
    schedule.record({.peekedChats = {"k"}, .waitingTags = {{"k", {"x"}}}, .resolvedTags = {{"k", {"w"}}}}, {"k", "j"},
                    now + seconds(120));
    EXPECT_EQ(schedule.gaveUpLastPass, 0);
    EXPECT_FALSE(schedule.waitingSince.contains("k"));
    EXPECT_EQ(schedule.abandoned.at("k"), (Tags{"x"}));
    schedule.record({.peekedChats = {"k"}, .resolvedTags = {{"k", {"x"}}}}, {"k", "j"}, now + seconds(180));
    EXPECT_FALSE(schedule.abandoned.contains("k"));
}

TEST(WhatsAppPeekSchedule, TheSummaryCountsEveryWaitingChatAndEveryChatGivenUp) {
    PeekSchedule schedule = empty();
    schedule.waitingSince = {{"a", now}, {"b", now}};
    schedule.gaveUpLastPass = 1;
    EXPECT_EQ(schedule.summary(),
              "2 chat(s) with a message still decrypting, re-read without opening every minute for up to six hours, "
              "1 chat(s) still decrypting after six hours, or no longer in the page's memory \xe2\x80\x94 re-read every "
              "five minutes like the rest from now on");
    schedule.waitingSince.clear();
    schedule.gaveUpLastPass = 12;
    EXPECT_EQ(schedule.summary(), "12 chat(s) still decrypting after six hours, or no longer in the page's memory "
                                  "\xe2\x80\x94 re-read every five minutes like the rest from now on");
}

TEST(WhatsAppPeekSchedule, AChatAwaySevenDaysIsForgottenWithWhatWasHanded) {
    PeekSchedule schedule = empty();
    const Date then = now - seconds(604800);
    schedule.present = {{"gone", then}, {"kept", then + seconds(1)}};
    schedule.lastRead = {{"gone", then}, {"kept", then}};
    schedule.handed = {{"gone", {"t1"}}, {"kept", {"t2"}}};
    schedule.abandoned = {{"gone", {"a1"}}};
    schedule.waitingSince = {{"gone", now - seconds(60)}};
    schedule.waitingFor = {{"gone", {"m1"}}};
    schedule.record({}, {}, now);
    EXPECT_EQ(schedule.present, (std::map<std::string, Date>{{"kept", then + seconds(1)}}));
    EXPECT_EQ(schedule.handed, (std::map<std::string, Tags>{{"kept", {"t2"}}}));
    EXPECT_TRUE(schedule.abandoned.empty());
    EXPECT_TRUE(schedule.waitingSince.empty());
    EXPECT_TRUE(schedule.waitingFor.empty());
    // Neither listed nor read this pass: read afresh when it comes back.
    EXPECT_TRUE(schedule.lastRead.empty());
}

TEST(WhatsAppPeekSchedule, ReadAgainMakesAChatFreshAndKeepsItsWait) {
    PeekSchedule schedule = empty();
    waiting(schedule, "w", seconds(600), seconds(10));
    schedule.lastRead["r"] = now - seconds(10);
    schedule.lastRead["old"] = now - seconds(900);
    schedule.readAgain({"w", "r"});
    EXPECT_EQ(schedule.due({"old", "r", "w"}, now), (Keys{"w", "r", "old"}));
    EXPECT_TRUE(schedule.waitingSince.contains("w"));
}

TEST(WhatsAppPeekSchedule, HandedMessagesAreRememberedOncePerChatUpToSixty) {
    PeekSchedule schedule = empty();
    schedule.handedOver({inChat("A", "k"), inChat("A", "k"), inChat("B", std::nullopt), inChat("C", "")});
    EXPECT_EQ(schedule.handed, (std::map<std::string, Tags>{{"k", {PeekSchedule::tag("A")}}}));
    EXPECT_TRUE(schedule.alreadyHanded(inChat("A", "k")));
    EXPECT_FALSE(schedule.alreadyHanded(inChat("A", "j")));
    EXPECT_FALSE(schedule.alreadyHanded(inChat("A", std::nullopt)));
    EXPECT_FALSE(schedule.alreadyHanded(inChat("B", std::nullopt)));

    std::vector<Message> more;
    for (int index = 1; index <= 60; ++index) more.push_back(inChat("id" + std::to_string(index), "k"));
    schedule.handedOver(more);
    ASSERT_EQ(schedule.handed.at("k").size(), 60u);
    EXPECT_FALSE(schedule.alreadyHanded(inChat("A", "k")));
    EXPECT_EQ(schedule.handed.at("k").front(), PeekSchedule::tag("id1"));
    EXPECT_EQ(schedule.handed.at("k").back(), PeekSchedule::tag("id60"));
}

TEST(WhatsAppPeekSchedule, TheTagIsFnv1aOfTheBytesInBase36) {
    EXPECT_EQ(PeekSchedule::tag(""), "ztntfp");
    EXPECT_EQ(PeekSchedule::tag("abc"), "7aigaz");
    EXPECT_EQ(PeekSchedule::tag("\xc3\xa9"), "8htmm9");
}

namespace {

PeekSchedule filled() {
    PeekSchedule schedule = empty();
    schedule.lastRead = {{"b", now}, {"a", now + milliseconds(500)}};
    schedule.waitingSince = {{"a", now - seconds(60)}};
    schedule.waitingFor = {{"a", {"m1", "m2"}}};
    schedule.abandoned = {{"c", {"m0"}}};
    schedule.handed = {{"a", {"zz", "1a"}}, {"c", {}}};
    schedule.present = {{"c", now}, {"a", now}, {"b", now}};
    schedule.gaveUpLastPass = 2;
    return schedule;
}

} // namespace

TEST(WhatsAppPeekSchedule, TheStoredFormIsCompactSortedJson) {
    EXPECT_EQ(filled().stored(),
              R"({"abandoned":{"c":["m0"]},"handed":{"a":["zz","1a"],"c":[]},)"
              R"("lastRead":{"a":1765000000.5,"b":1765000000.0},"present":{"a":1765000000.0,"b":1765000000.0,)"
              R"("c":1765000000.0},"version":1,"waitingFor":{"a":["m1","m2"]},"waitingSince":{"a":1764999940.0}})");
    EXPECT_EQ(empty().stored(),
              R"({"abandoned":{},"handed":{},"lastRead":{},"present":{},"version":1,"waitingFor":{},"waitingSince":{}})");
}

TEST(WhatsAppPeekSchedule, ASavedScheduleLoadsBackAsItWasSaved) {
    PeekSchedule expected = filled();
    expected.gaveUpLastPass = 0;
    EXPECT_EQ(PeekSchedule(filled().stored(), PeekSchedule::currentVersion), expected);

    PeekSchedule precise = empty();
    precise.present["k"] = Date(std::chrono::microseconds(1765000000123456));
    const auto loaded = PeekSchedule(precise.stored(), 1).present.at("k");
    EXPECT_LT(std::chrono::abs(loaded - precise.present.at("k")), std::chrono::microseconds(1));
}

TEST(WhatsAppPeekSchedule, AStoreThatCannotBeReadGivesTheEmptySchedule) {
    const std::string good = filled().stored();
    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::vector<std::pair<const char*, std::optional<std::string>>> rows{
        {"nothing stored", std::nullopt},
        {"empty", ""},
        {"not JSON", "{\"version\":1,"},
        {"an array", "[" + good + "]"},
        {"a missing key", replaced(R"("handed":{"a":["zz","1a"],"c":[]},)", "")},
        {"a number where a map is", replaced(R"({"c":["m0"]})", "3")},
        {"a map where a list is", replaced(R"(["m0"])", "{}")},
        {"a number where a tag is", replaced(R"("m0")", "7")},
        {"text where a date is", replaced("1764999940.0", "\"yesterday\"")},
        {"a date beyond the clock", replaced("1764999940.0", "1e300")},
        {"a version in text", replaced(R"("version":1)", R"("version":"1")")},
        {"version 2", replaced(R"("version":1)", R"("version":2)")},
        {"version 0", replaced(R"("version":1)", R"("version":0)")},
    };
    for (const auto& [name, stored] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(PeekSchedule(stored, 1), empty());
    }

    // What this version does not know is left alone.
    const auto extra = replaced(R"("version":1)", R"("later":{"x":[1]},"version":1)");
    PeekSchedule expected = filled();
    expected.gaveUpLastPass = 0;
    EXPECT_EQ(PeekSchedule(extra, 1), expected);
    // Another version asks for its own.
    EXPECT_EQ(PeekSchedule(replaced(R"("version":1)", R"("version":2)"), 2).version, 2);
}
