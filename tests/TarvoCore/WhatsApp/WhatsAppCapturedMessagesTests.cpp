#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "TarvoBase/Base64.h"
#include "TarvoBase/Json.h"
#include "TarvoCore/WhatsApp/CapturedMessages.h"
#include "TarvoCore/WhatsApp/DataId.h"
#include "TarvoCore/WhatsApp/PrePlainText.h"

using namespace tarvo::WhatsAppWeb;
using tarvo::Base64;
using tarvo::Json;
using Date = std::chrono::system_clock::time_point;
using std::chrono::seconds;

namespace {

const Date now = Date(seconds(1765000000));
constexpr std::string_view unreadableNote =
    "WhatsApp Web returned nothing Tarvo could read — no messages were captured";
constexpr std::string_view noVerdict = "the capture script returned no verdict about this file — that is a bug in Tarvo";

ReadResult read(const Json& report) { return readMessages(report.dump(), now); }

Json record(std::string id) {
    return {{"id", std::move(id)}, {"conv", "441234567890@c.us"}, {"fromMe", false}, {"text", "hello"}};
}

} // namespace

TEST(WhatsAppCapturedMessages, AnAnswerThatIsNotAnObjectIsTheEmptyResultWithItsNote) {
    for (const std::string answer : {"", "not json", "[]", "\"read\"", "{\"stage\":\"read\"", "{\"stage\":\"re\xff\"}"}) {
        SCOPED_TRACE(answer);
        const auto result = readMessages(answer, now);
        EXPECT_EQ(result, (ReadResult{.note = std::string(unreadableNote)}));
        EXPECT_EQ(result.summary(), fmt::format("stage: unreadable answer, 0 new message(s), 0 chat(s) in the list, "
                                                "0 changed, 0 opened, 0 message row(s) in the conversation pane, {}",
                                                unreadableNote));
    }
}

TEST(WhatsAppCapturedMessages, ARecordWithoutWhatItNeedsIsCountedAndTheOthersKept) {
    Json wrongType = record("B");
    wrongType["text"] = 7;
    Json noDirection = record("C");
    noDirection.erase("fromMe");
    Json numberConversation = record("D");
    numberConversation["conv"] = 44;
    Json emptyConversation = record("F");
    emptyConversation["conv"] = "";
    const Json report = {
        {"stage", "read"},
        {"noId", 2},
        {"noText", 1.0},
        {"noConversation", "3"},
        {"messages", {record("A"), Json::object(), wrongType, noDirection, numberConversation, 17, {{"id", 5}},
                      record(""), emptyConversation, record("E")}},
    };
    ReadResult result;
    EXPECT_NO_THROW(result = read(report));
    ASSERT_EQ(result.messages.size(), 2u);
    EXPECT_EQ(result.messages[0].externalId, "A");
    EXPECT_EQ(result.messages[1].externalId, "E");
    EXPECT_EQ(result.skipped, 2 + 1 + 8);
}

TEST(WhatsAppCapturedMessages, WrongTypesAndAnUnknownStageCostOnlyTheirOwnValue) {
    const Json report = {
        {"stage", "sideways"},  {"rowsInList", "12"},   {"opened", 2.5},      {"changed", -3},
        {"fingerprints", {"k1|a", 4, "k2|b"}},           {"heldBack", "k1"},   {"waitingTags", {{"k1", {"m1", 2}}, {"k2", "m3"}}},
        {"reason", 404},        {"rowsSeen", 1e300},
    };
    ReadResult result;
    EXPECT_NO_THROW(result = read(report));
    EXPECT_EQ(result.stage, std::nullopt);
    EXPECT_EQ(result.chatsInList, 0);
    EXPECT_EQ(result.openedChats, 0);
    EXPECT_EQ(result.changedChats, -3);
    EXPECT_EQ(result.rowsSeen, 0);
    EXPECT_EQ(result.fingerprints, (std::vector<std::string>{"k1|a", "k2|b"}));
    EXPECT_TRUE(result.heldBackChats.empty());
    EXPECT_EQ(result.waitingTags, (std::map<std::string, std::vector<std::string>>{{"k1", {"m1"}}}));
    EXPECT_EQ(result.note, std::nullopt);
    EXPECT_TRUE(result.summary().starts_with("stage: unreadable answer, 0 new message(s)"));
}

TEST(WhatsAppCapturedMessages, EveryReportKeyFillsItsField) {
    using Counter = std::int64_t ReadResult::*;
    const std::pair<const char*, Counter> counters[] = {
        {"rowsInList", &ReadResult::chatsInList},
        {"changed", &ReadResult::changedChats},
        {"opened", &ReadResult::openedChats},
        {"failedToOpen", &ReadResult::unopenableChats},
        {"noPressTarget", &ReadResult::noPressTarget},
        {"neverSelected", &ReadResult::neverSelected},
        {"openedEmpty", &ReadResult::openedEmpty},
        {"raced", &ReadResult::raced},
        {"rowsSeen", &ReadResult::rowsSeen},
        {"chatsWithNoId", &ReadResult::unidentifiedChats},
        {"noDirection", &ReadResult::undirectedRows},
        {"systemLines", &ReadResult::systemLines},
        {"deferred", &ReadResult::deferredChats},
        {"rowsWithoutTarget", &ReadResult::rowsWithoutTarget},
        {"unreadableRows", &ReadResult::unreadableRows},
        {"sharedKeyRows", &ReadResult::sharedKeyRows},
        {"nonConversationRows", &ReadResult::nonConversationRows},
        {"rowsWithoutChatId", &ReadResult::rowsWithoutChatId},
        {"mediaRows", &ReadResult::mediaRows},
        {"mediaBytes", &ReadResult::mediaWithBytes},
        {"mediaWithoutBytes", &ReadResult::mediaWithoutBytes},
        {"mediaViewOnce", &ReadResult::mediaViewOnce},
        {"unknownMediaTypes", &ReadResult::unknownMediaTypes},
        {"clockAsText", &ReadResult::clockRefusedAsText},
        {"panesStillGrowing", &ReadResult::panesStillGrowing},
        {"collapsedRows", &ReadResult::shortenedMessages},
        {"collapsedRepaired", &ReadResult::shortenedFullTextRecovered},
        {"shortenedWithoutFullText", &ReadResult::shortenedWithoutFullText},
        {"ciphertextRows", &ReadResult::ciphertextRows},
        {"peekRows", &ReadResult::peekRows},
        {"peekWaiting", &ReadResult::peekWaiting},
        {"peekUnreadable", &ReadResult::peekUnreadable},
        {"peekShallow", &ReadResult::peekShallow},
        {"idsDisagree", &ReadResult::idsDisagree},
    };
    using List = std::vector<std::string> ReadResult::*;
    const std::pair<const char*, List> lists[] = {
        {"heldBack", &ReadResult::heldBackChats},     {"peeked", &ReadResult::peekedChats},
        {"peekBlind", &ReadResult::peekBlindChats},   {"harvested", &ReadResult::harvestedChats},
        {"ciphertextChats", &ReadResult::ciphertextChats}, {"fingerprints", &ReadResult::fingerprints},
    };
    Json report = {{"stage", "read"}, {"noId", 1}, {"noText", 10}, {"noConversation", 100}, {"reason", "why"},
                   {"waitingTags", {{"k", {"m1"}}}}, {"resolvedTags", {{"k", {"m2"}}}},
                   {"alreadyKnown", 5}, {"withheld", 6}};
    std::int64_t value = 1000;
    for (const auto& [key, field] : counters) report[key] = value++;
    for (const auto& [key, field] : lists) report[key] = {key};

    const auto result = read(report);
    value = 1000;
    for (const auto& [key, field] : counters) EXPECT_EQ(result.*field, value++) << key;
    for (const auto& [key, field] : lists) EXPECT_EQ(result.*field, std::vector<std::string>{key}) << key;
    EXPECT_EQ(result.stage, Stage::read);
    EXPECT_EQ(result.skipped, 111);
    EXPECT_EQ(result.waitingTags.at("k"), std::vector<std::string>{"m1"});
    EXPECT_EQ(result.resolvedTags.at("k"), std::vector<std::string>{"m2"});
    EXPECT_EQ(result.note, "why");
    EXPECT_EQ(result.alreadyKnown, 0);
    EXPECT_EQ(result.withheld, 0);
}

TEST(WhatsAppCapturedMessages, StagesAreNamedByTheScriptAndWordedForTheLog) {
    const std::tuple<const char*, Stage, const char*> stages[] = {
        {"chatListMissing", Stage::chatListMissing, "chat list not found"},
        {"noChatRows", Stage::noChatRows, "chat list has no rows"},
        {"firstLook", Stage::firstLook, "first look on this Mac — read the newest few, noted the rest"},
        {"nothingChanged", Stage::nothingChanged, "no conversation has changed since the last look"},
        {"read", Stage::read, "read"},
    };
    for (const auto& [name, stage, words] : stages) {
        EXPECT_EQ(stageFromName(name), stage);
        EXPECT_EQ(rawValue(stage), words);
        EXPECT_EQ(stageFromRawValue(words), stage);
    }
    for (const char* other : {"", "Read", "read ", "chat list not found"}) EXPECT_EQ(stageFromName(other), std::nullopt);
    EXPECT_EQ(stageFromRawValue("firstLook"), std::nullopt);
}

TEST(WhatsAppCapturedMessages, ALegacyIdNamesItsOwnConversationAndDirection) {
    const std::pair<const char*, std::optional<DataId>> cases[] = {
        {"true_441234567890@c.us_3EB0AB", DataId{true, "441234567890@c.us", "3EB0AB"}},
        {"false_120363-1@g.us_a_b_XYZ", DataId{false, "120363-1@g.us_a_b", "XYZ"}},
        {"maybe_441234567890@c.us_3EB0", std::nullopt},
        {"true__3EB0", std::nullopt},
        {"true_441234567890@c.us_", std::nullopt},
        {"true_3EB0", std::nullopt},
        {"3EB0C767D26A1D4C", std::nullopt},
    };
    for (const auto& [id, parsed] : cases) EXPECT_EQ(parseDataId(id), parsed) << id;
}

TEST(WhatsAppCapturedMessages, ThePreTextGivesTheSenderAndTheStamp) {
    const std::pair<const char*, std::optional<PrePlainText>> cases[] = {
        {"[10:25, 03/12/2026] Ana Lima: ", PrePlainText{"Ana Lima", "10:25, 03/12/2026"}},
        {"[ 9:05 pm ]  +44 7700 900123 :", PrePlainText{"+44 7700 900123", "9:05 pm"}},
        {"[10:25] : ", PrePlainText{std::nullopt, "10:25"}},
        {"[]", PrePlainText{std::nullopt, ""}},
        {"]Ana: ", std::nullopt},
        {"Ana: ", std::nullopt},
    };
    for (const auto& [text, parsed] : cases) EXPECT_EQ(parsePrePlainText(text), parsed) << text;
}

TEST(WhatsAppCapturedMessages, ARecordBecomesAMessage) {
    Json legacy = {{"id", "true_441234567890@c.us_L1"}, {"conv", nullptr}, {"fromMe", nullptr}, {"text", "old"},
                   {"t", nullptr}, {"order", 2}};
    Json modern = record("M1");
    modern.update({{"t", 1764999000.5}, {"title", "  \n Ana Lima \t"}, {"author", "447700900123@c.us"},
                   {"pre", "[10:25, 03/12/2026] Ana: "}, {"chat", "k9"}, {"peek", true}, {"order", 0}});
    Json blankTitle = record("M2");
    blankTitle.update({{"title", " \n"}, {"t", 0}, {"peek", "yes"}, {"pre", "no bracket"}});
    const Json report = {{"stage", "read"}, {"messages", {modern, Json::object(), legacy, blankTitle, Json::object()}}};

    const auto result = read(report);
    ASSERT_EQ(result.messages.size(), 3u);
    EXPECT_EQ(result.messages[0], (Message{
                                      .externalId = "M1",
                                      .conversationRef = "441234567890@c.us",
                                      .isFromMe = false,
                                      .text = "hello",
                                      .sentAt = Date(std::chrono::milliseconds(1764999000500)),
                                      .senderName = "Ana",
                                      .authorRef = "447700900123@c.us",
                                      .conversationTitle = "Ana Lima",
                                      .chatKey = "k9",
                                      .peeked = true,
                                  }));
    EXPECT_EQ(result.messages[1], (Message{.externalId = "L1",
                                           .conversationRef = "441234567890@c.us",
                                           .isFromMe = true,
                                           .text = "old",
                                           .sentAt = now - seconds(3)}));
    // Without an order it counts as the first record, so it lies furthest before now.
    EXPECT_EQ(result.messages[2].sentAt, now - seconds(5));
    EXPECT_EQ(result.messages[2].conversationTitle, std::nullopt);
    EXPECT_EQ(result.messages[2].senderName, std::nullopt);
    EXPECT_FALSE(result.messages[2].peeked);
    EXPECT_EQ(result.skipped, 2);
}

TEST(WhatsAppCapturedMessages, ATimeOrAnOrderBeyondTheClockIsNoTimeAtAll) {
    Json far = record("F");
    far.update({{"t", 1e300}, {"order", -9007199254740992.0}});
    Json late = record("L");
    late.update({{"t", 9.5e9}, {"order", 1e15}});
    const auto result = read({{"messages", {far, late}}});
    ASSERT_EQ(result.messages.size(), 2u);
    EXPECT_EQ(result.messages[0].sentAt, now - seconds(2));
    EXPECT_EQ(result.messages[1].sentAt, now);
}

TEST(WhatsAppCapturedMessages, AFileIsDescribedWithOrWithoutItsBytes) {
    const std::string thousand(1000, 'x');
    const std::string b64 = Base64::encode(thousand);
    struct Case {
        const char* name;
        Json record;
        std::optional<Attachment> attachment;
    };
    const Case cases[] = {
        {"bytes without a size", {{"media", {{"type", "image"}, {"mime", "image/jpeg"}}}, {"bytes", {{"b64", b64}}}},
         Attachment{"X:media", "image", "image/jpeg", 1000, "image", false, std::nullopt, thousand, std::nullopt}},
        {"bytes under the stated size",
         {{"media", {{"type", "document"}, {"size", 2048}, {"filename", "a.pdf"}}}, {"bytes", {{"b64", b64}}}},
         Attachment{"X:media", "a.pdf", "application/octet-stream", 2048, "document", false, std::nullopt, thousand,
                    std::nullopt}},
        {"a voice note with nothing named",
         {{"media", {{"type", "ptt"}, {"filename", ""}, {"mime", nullptr}, {"duration", 7}, {"size", -4}}},
          {"bytes", {{"note", "over this pass's transfer budget — it will be read on a later pass"}}}},
         Attachment{"X:media", "ptt", "application/octet-stream", 0, "ptt", false, 7, std::nullopt,
                    "over this pass's transfer budget — it will be read on a later pass"}},
        {"undecodable bytes and no note",
         {{"media", {{"type", "video"}, {"viewOnce", true}, {"duration", 1.5}}}, {"bytes", {{"b64", "not base64!"}}}},
         Attachment{"X:media", "video", "application/octet-stream", 0, "video", true, std::nullopt, std::nullopt,
                    std::string(noVerdict)}},
        {"no bytes object", {{"media", {{"type", "audio"}, {"viewOnce", "yes"}}}, {"bytes", nullptr}},
         Attachment{"X:media", "audio", "application/octet-stream", 0, "audio", false, std::nullopt, std::nullopt,
                    std::string(noVerdict)}},
        {"no type", {{"media", {{"type", ""}}}, {"bytes", {{"note", "n"}}}}, std::nullopt},
        {"no media", {{"media", nullptr}, {"bytes", nullptr}}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(attachment(c.record, "X"), c.attachment) << c.name;
}

TEST(WhatsAppCapturedMessages, ExcludingCountsKnownBeforeWithheldAndKeepsTheOrder) {
    ReadResult result{.alreadyKnown = 1, .withheld = 2, .fingerprints = {"k|p"}};
    for (const char* id : {"a", "known", "b", "both", "held", "c"}) result.messages.push_back(Message{.externalId = id});
    int withheldAsked = 0;
    const auto kept = result.excluding([](const std::string& id) { return id == "known" || id == "both"; },
                                       [&withheldAsked](const std::string& id) {
                                           ++withheldAsked;
                                           return id == "held" || id == "both";
                                       });
    std::vector<std::string> ids;
    for (const auto& message : kept.messages) ids.push_back(message.externalId);
    EXPECT_EQ(ids, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(kept.alreadyKnown, 3);
    EXPECT_EQ(kept.withheld, 3);
    EXPECT_EQ(withheldAsked, 4);
    EXPECT_EQ(kept.fingerprints, result.fingerprints);
}

TEST(WhatsAppCapturedMessages, TheSummaryHasSixFixedPartsAndTheRestOnlyWhenTheyCount) {
    EXPECT_EQ((ReadResult{.stage = Stage::nothingChanged}).summary(),
              "stage: no conversation has changed since the last look, 0 new message(s), 0 chat(s) in the list, "
              "0 changed, 0 opened, 0 message row(s) in the conversation pane");
    EXPECT_EQ((ReadResult{.stage = Stage::read, .unopenableChats = 2}).summary(),
              "stage: read, 0 new message(s), 0 chat(s) in the list, 0 changed, 0 opened, 0 message row(s) in the "
              "conversation pane, 2 would not open");

    ReadResult full{
        .messages = {Message{.peeked = true}, Message{}},
        .stage = Stage::read,
        .skipped = 3, .chatsInList = 40, .changedChats = 5, .openedChats = 2, .unopenableChats = 3,
        .noPressTarget = 1, .neverSelected = 1, .openedEmpty = 0, .raced = 1, .rowsSeen = 61,
        .unidentifiedChats = 1, .undirectedRows = 2, .systemLines = 4, .deferredChats = 3, .rowsWithoutTarget = 0,
        .unreadableRows = 1, .sharedKeyRows = 2, .nonConversationRows = 3, .rowsWithoutChatId = 1, .mediaRows = 4,
        .mediaWithBytes = 1, .mediaWithoutBytes = 2, .mediaViewOnce = 1, .unknownMediaTypes = 1,
        .clockRefusedAsText = 1, .panesStillGrowing = 1, .shortenedMessages = 2, .shortenedFullTextRecovered = 1,
        .shortenedWithoutFullText = 1, .ciphertextRows = 1, .heldBackChats = {"k1"}, .peekedChats = {"k2", "k3"},
        .peekBlindChats = {"k4"}, .peekRows = 20, .peekWaiting = 0, .peekUnreadable = 2, .peekShallow = 1,
        .idsDisagree = 1, .alreadyKnown = 1, .withheld = 1, .note = "a note",
    };
    EXPECT_EQ(full.summary(),
              "stage: read, 2 new message(s), 40 chat(s) in the list, 5 changed, 2 opened, 61 message row(s) in the "
              "conversation pane, 3 would not open (1 unrecognised press target, 1 never became selected, 1 lost a "
              "race), 1 chat(s) could not name themselves — dropped, 2 row(s) with no readable direction — dropped, "
              "4 with a file (1 carried, 2 described only, 1 view-once), 1 row(s) of a media kind this build does not "
              "know, 2 row(s) share a key with another row — they cannot be told apart, so a message in one opens "
              "another and marks IT read, 1 row(s) could not be identified at all — not compared, not baselined; if "
              "this is most of the list the reader is blind, 3 row(s) in the list are not conversations (a Channel, "
              "Status, a broadcast list) — not opened, so they cost no slots, 1 row(s) would not give up a WhatsApp "
              "id — a Channel or Status row among them cannot be told from a conversation, so it is opened, 1 "
              "bubble(s) whose only words were their own clock, 1 conversation(s) were STILL RENDERING when they were "
              "read — a message in them may have been missed, 2 collapsed behind Read more (1 read in full), 1 "
              "message(s) STORED SHORTENED — WhatsApp collapsed them and the full text could not be read, so the end "
              "of each is missing, 3 unreadable, 1 row(s) WhatsApp has not decrypted yet, 1 chat(s) NOT marked seen "
              "because a row in them had no words yet — opened again on the next pass, 2 chat(s) re-read without "
              "opening (20 message(s) in the page's memory, 1 new, 2 unreadable), 1 chat(s) due a re-read without "
              "opening held nothing Tarvo could read — if that is all of them, the page keeps its messages somewhere "
              "new, 1 chat(s) read without opening held fewer of their messages than WhatsApp counts unread — the "
              "rest arrive when the chat is opened, 1 message(s) whose row id and model id disagree — read without "
              "opening, each would reach Tarvo under a second name, 4 system line(s), 3 changed chat(s) left for the "
              "next look, 1 already sent to the brain, 1 refused by the brain on every retry — not posted again "
              "until its row moves, a note");
}
