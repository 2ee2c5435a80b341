#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AdvertisingCompanion.h"
#include "CaptureTest.h"
#include "TarvoBase/Base64.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Message = WhatsAppWeb::Message;
using ReadResult = WhatsAppWeb::ReadResult;
using SessionState = WhatsAppWeb::SessionState;
using Tally = SimulatedWhatsAppSession::Tally;

class WhatsAppCapture : public CaptureTest {
protected:
    WhatsAppCapture() {
        defaults->set(Json("ch-whatsapp"), CompanionSettings::whatsappChannelIdKey);
        service.answer("POST", "/v1/ingest", 200, "{}");
    }

    std::shared_ptr<AdvertisingCompanion> makeWhatsAppCompanion(std::shared_ptr<BrainClient> client) {
        return AdvertisingCompanion::withWhatsApp(defaults, session, folder.path(), contacts, std::move(client));
    }
    std::shared_ptr<AdvertisingCompanion> makeWhatsAppCompanion() { return makeWhatsAppCompanion(signedInClient()); }

    void captureWhatsApp(Companion& companion) { runUntilDone(loop, companion.captureWhatsApp()); }

    static Message message(const std::string& id, const std::string& ref, bool fromMe, const std::string& text) {
        Message m;
        m.externalId = id;
        m.conversationRef = ref;
        m.isFromMe = fromMe;
        m.text = text;
        m.sentAt = noon - 1min;
        m.chatKey = "key-" + ref;
        return m;
    }
    static ReadResult readOf(std::vector<Message> messages) {
        ReadResult read;
        read.stage = WhatsAppWeb::Stage::read;
        read.openedChats = 1;
        read.rowsSeen = 5;
        read.messages = std::move(messages);
        return read;
    }

    std::vector<std::string> lines(const std::string& opening) const {
        std::vector<std::string> found;
        for (const auto& line : log.lines()) {
            if (line.starts_with(opening)) found.push_back(line);
        }
        return found;
    }

    std::shared_ptr<SimulatedWhatsAppSession> session =
        std::make_shared<SimulatedWhatsAppSession>(SessionState::linked());
};

TEST_F(WhatsAppCapture, SaysWhyItSkipsAndReadsNothing) {
    struct Case {
        const char* name;
        bool signedIn;
        std::optional<SessionState> settled;
        std::vector<std::string> advertised;
        std::string line;
    };
    const std::string skipped = "tarvo: whatsapp capture skipped — ";
    const std::vector<Case> cases{
        {"signed out", false, SessionState::linked(), {"whatsapp"}, skipped + "not signed in"},
        {"not settled", true, std::nullopt, {"imessage", "sms"},
         skipped + "WhatsApp Web has not finished loading yet (advertising imessage, sms)"},
        {"nothing advertised", true, std::nullopt, {}, skipped + "WhatsApp Web has not finished loading yet (advertising )"},
        {"needs a link", true, SessionState::needsLink(), {"imessage"},
         skipped + "no phone has scanned the code on this Mac (advertising imessage)"},
        {"linked", true, SessionState::linked(), {"imessage"},
         skipped + "linked, but the channel is not advertised — this is a bug (advertising imessage)"},
        {"syncing", true, SessionState::syncing(), {"imessage"},
         skipped + "WhatsApp is still downloading this account's messages into the page. Nothing is wrong and nothing "
                   "is lost — the next tick will read it. (advertising imessage)"},
        {"not WhatsApp", true, SessionState::unrecognised("a login wall"), {"imessage"},
         skipped + "the page is not WhatsApp — a login wall (advertising imessage)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session->settle(c.settled);
        auto companion = makeWhatsAppCompanion(c.signedIn ? signedInClient() : nullptr);
        companion->advertise(c.advertised);
        const auto before = lines(skipped).size();
        captureWhatsApp(*companion);
        captureWhatsApp(*companion);
        const auto said = lines(skipped);
        ASSERT_EQ(said.size(), before + 1) << "said once, not every tick";
        EXPECT_EQ(said.back(), c.line);
        EXPECT_EQ(session->reads(), 0);
        EXPECT_EQ(companion->lastCapture(), std::nullopt);
    }

    defaults->set(std::nullopt, CompanionSettings::whatsappChannelIdKey);
    captureWhatsApp(*makeWhatsAppCompanion());
    EXPECT_EQ(lines(skipped).back(), skipped + "no WhatsApp channel id yet");
    EXPECT_EQ(session->reads(), 0);
}

TEST_F(WhatsAppCapture, WritesAtMostOneStageLineAndEachCounterLineThatHolds) {
    struct Case {
        const char* name;
        ReadResult read;
        std::vector<std::string> lines;
    };
    auto at = [](std::optional<WhatsAppWeb::Stage> stage, auto&& change) {
        ReadResult read;
        read.stage = stage;
        change(read);
        return read;
    };
    using Stage = WhatsAppWeb::Stage;
    const std::vector<Case> cases{
        {"no stage", at(std::nullopt, [](ReadResult&) {}),
         {"tarvo: whatsapp: the page answered with something this build cannot read."}},
        {"no chat list", at(Stage::chatListMissing, [](ReadResult&) {}),
         {"tarvo: whatsapp: the page is linked but is not showing the chat list. That is not an empty inbox — Tarvo is "
          "looking at something else."}},
        {"no rows", at(Stage::noChatRows, [](ReadResult&) {}),
         {"tarvo: whatsapp: the chat list is there and has NO ROWS in it. WhatsApp has changed the markup of a "
          "conversation row."}},
        {"opened but no bubbles", at(Stage::read, [](ReadResult& r) {
             r.openedChats = 2;
             r.unopenableChats = 3;
         }),
         {"tarvo: whatsapp: conversations opened and NOT ONE MESSAGE ROW was in them. The message bubbles have moved."}},
        {"would not open", at(Stage::read, [](ReadResult& r) { r.unopenableChats = 3; }),
         {"tarvo: whatsapp: 3 conversation(s) would not open. The chat list rows no longer respond to being pressed."}},
        {"a view-once file explains the missing bytes", at(Stage::read, [](ReadResult& r) {
             r.mediaRows = 4;
             r.mediaViewOnce = 1;
         }),
         {}},
        {"every counter", at(Stage::nothingChanged, [](ReadResult& r) {
             r.unidentifiedChats = 1;
             r.skipped = 2;
             r.mediaRows = 3;
             r.unknownMediaTypes = 4;
         }),
         {"tarvo: whatsapp: 1 opened conversation(s) could not say which conversation they are — their messages were "
          "DROPPED rather than filed under a guess.",
          "tarvo: whatsapp: 2 row(s) this build cannot read",
          "tarvo: whatsapp: 3 file(s) seen and NOT ONE could be read off the page. The decoded media WhatsApp renders is "
          "no longer where Tarvo looks for it.",
          "tarvo: whatsapp: 4 row(s) of a media kind this build does not know. WhatsApp has added or renamed a message "
          "type."}},
    };
    auto companion = makeWhatsAppCompanion();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session->answerReads(c.read);
        const auto before = lines("tarvo: whatsapp: ").size();
        captureWhatsApp(*companion);
        const auto all = lines("tarvo: whatsapp: ");
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(before), all.end()), c.lines);
        ASSERT_TRUE(companion->lastCapture().has_value());
        EXPECT_EQ(companion->lastCapture()->stage,
                  c.read.stage ? std::optional<std::string>(std::string(WhatsAppWeb::name(*c.read.stage)))
                               : std::nullopt);
        EXPECT_EQ(companion->lastCapture()->unopenableChats, c.read.unopenableChats);
    }
}

TEST_F(WhatsAppCapture, PostsEachMessageAsTheServiceTakesIt) {
    Message personal = message("in-1", "491555000111@c.us", false, "hello");
    Message group = message("grp-1", "120363000000000001@g.us", false, "hi all");
    group.authorRef = "491555000222@c.us";
    group.senderName = "Bea";
    group.conversationTitle = "Family";
    Message relayed = message("own-1", "491555000111@c.us", true, "sent for you");
    Message typed = message("own-2", "491555000111@c.us", true, "typed by me");
    Message picture = message("pic-1", "491555000111@c.us", false, "");
    picture.attachments.push_back({.externalId = "pic-1:media",
                                   .filename = "photo.jpg",
                                   .mimeType = "image/jpeg",
                                   .sizeBytes = 4,
                                   .providerHint = "image",
                                   .ephemeral = false,
                                   .durationSeconds = std::nullopt,
                                   .bytes = std::string("\xff\xd8\xff\xe0", 4),
                                   .bytesNote = std::nullopt});
    Message tooBig = message("doc-1", "491555000111@c.us", false, "");
    tooBig.attachments.push_back({.externalId = "doc-1:media",
                                  .filename = "big.pdf",
                                  .mimeType = "application/pdf",
                                  .sizeBytes = 20000000,
                                  .providerHint = "document",
                                  .ephemeral = false,
                                  .durationSeconds = std::nullopt,
                                  .bytes = std::nullopt,
                                  .bytesNote = "over the pass's media budget"});
    Message voice = message("ptt-1", "491555000111@c.us", false, "");
    voice.attachments.push_back({.externalId = "ptt-1:media",
                                 .filename = "ptt",
                                 .mimeType = "audio/ogg",
                                 .sizeBytes = 900,
                                 .providerHint = "ptt",
                                 .ephemeral = true,
                                 .durationSeconds = 7,
                                 .bytes = std::nullopt,
                                 .bytesNote = "view once"});
    session->answerReads(readOf({personal, group, relayed, typed, picture, tooBig, voice}), "2 chats waiting");

    auto decisions = [](const std::string& id, bool want, std::optional<std::string> reason = std::nullopt) {
        Json d{{"externalId", id + ":media"}, {"id", "srv-" + id}, {"mediaClass", "file"}, {"wantBytes", want}};
        if (reason) d["reason"] = *reason;
        return Json{{"attachments", Json::array({d})}};
    };
    service.answerBy("POST", "/v1/ingest", [&](const RecordedRequest& request) {
        const std::string id = Json::parse(request.body).at("externalMessageId").get<std::string>();
        if (id == "pic-1" || id == "doc-1") return ScriptedAnswer{.status = 200, .body = decisions(id, true).dump()};
        if (id == "ptt-1") return ScriptedAnswer{.status = 200, .body = decisions(id, false, "view-once media is not kept").dump()};
        return ScriptedAnswer{.status = 200, .body = "{}"};
    });
    service.answer("POST", "/v1/ingest/attachments/srv-pic-1/bytes", 200, "{}");

    auto companion = makeWhatsAppCompanion();
    companion->relaySends().record("491555000111@c.us", "sent for you", noon - 2min);
    captureWhatsApp(*companion);

    auto body = [](const Message& m, const char* direction, std::optional<std::pair<std::string, std::string>> sender,
                   const char* kind, bool viaTarvo, Json attachments = Json::array()) {
        // The client leaves out a false mark and an empty list.
        Json b{{"channelId", "ch-whatsapp"}, {"externalThreadId", m.conversationRef},
               {"externalMessageId", m.externalId}, {"direction", direction}, {"body", m.text},
               {"threadKind", kind}};
        if (viaTarvo) b["sentViaTarvo"] = true;
        if (sender) {
            b["senderIdentifier"] = sender->first;
            b["senderIdentifierKind"] = sender->second;
        }
        if (m.senderName) b["senderDisplayName"] = *m.senderName;
        if (m.conversationTitle) b["threadTitle"] = *m.conversationTitle;
        if (!attachments.empty()) b["attachments"] = attachments;
        return b;
    };
    const auto phone = std::pair<std::string, std::string>{"491555000111", "phone"};
    const std::vector<Json> expected{
        body(personal, "inbound", phone, "direct", false),
        body(group, "inbound", std::pair<std::string, std::string>{"491555000222", "phone"}, "group", false),
        body(relayed, "outbound", phone, "direct", true),
        body(typed, "outbound", phone, "direct", false),
        body(picture, "inbound", phone, "direct", false,
             Json::array({{{"externalId", "pic-1:media"}, {"filename", "photo.jpg"}, {"mimeType", "image/jpeg"},
                           {"sizeBytes", 4}, {"providerHint", "image"}}})),
        body(tooBig, "inbound", phone, "direct", false,
             Json::array({{{"externalId", "doc-1:media"}, {"filename", "big.pdf"}, {"mimeType", "application/pdf"},
                           {"sizeBytes", 20000000}, {"providerHint", "document"}}})),
        body(voice, "inbound", phone, "direct", false,
             Json::array({{{"externalId", "ptt-1:media"}, {"filename", "ptt"}, {"mimeType", "audio/ogg"},
                           {"sizeBytes", 900}, {"providerHint", "ptt"}, {"ephemeral", true},
                           {"durationSeconds", 7}}})),
    };
    const std::vector<Json> sent = ingested();
    ASSERT_EQ(sent.size(), expected.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        SCOPED_TRACE(expected[i].at("externalMessageId").get<std::string>());
        Json got = sent[i];
        got.erase("sentAt");
        EXPECT_EQ(got, expected[i]);
    }
    const auto uploads = service.requests("POST", "/v1/ingest/attachments/srv-pic-1/bytes");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(Json::parse(uploads[0].body), (Json{{"dataBase64", Base64::encode(std::string("\xff\xd8\xff\xe0", 4))}}));
    EXPECT_TRUE(logged("tarvo: whatsapp file (file) has no bytes on this Mac — over the pass's media budget"));
    EXPECT_TRUE(logged("tarvo: whatsapp file (file) bytes not sent — view-once media is not kept"));
    EXPECT_TRUE(logged("tarvo: whatsapp files: 1 sent, 1 not wanted, 1 failed, "));
    EXPECT_THAT(lines("tarvo: whatsapp: "), IsEmpty());
    EXPECT_EQ(session->sent().ids().size(), 7u);
    EXPECT_EQ(companion->state().lastCaptureAt, clock->date());
    ASSERT_EQ(session->tallies().size(), 1u);
    EXPECT_EQ(session->tallies()[0].posted.size(), 7u);
}

TEST_F(WhatsAppCapture, AMessageTheServiceRefusedGoesAgainWithTheSameMark) {
    const Message relayed = message("own-1", "491555000111@c.us", true, "sent for you");
    const Message other = message("in-1", "491555000111@c.us", false, "hello");
    session->answerReads(readOf({relayed, other}));
    session->reopen({"key-491555000111@c.us"});
    service.queue("POST", "/v1/ingest", 503, R"({"code":"unavailable"})");
    auto companion = makeWhatsAppCompanion();
    companion->relaySends().record("491555000111@c.us", "sent for you", noon - 2min);

    captureWhatsApp(*companion);
    EXPECT_THAT(session->tallies(), ElementsAre(Tally{{"in-1"}, {"own-1"}, {}}));
    EXPECT_FALSE(session->sent().ids().contains("own-1"));
    EXPECT_EQ(lines("tarvo: whatsapp ingest failed: ").size(), 1u);
    EXPECT_TRUE(logged("tarvo: whatsapp: 1 message(s) did not reach Tarvo and 0 were not tried; 1 chat(s) will be "
                       "read again on the next pass"));

    // The next pass meets the refused message again, and the session no longer offers the other.
    session->answerReads(readOf({relayed}));
    captureWhatsApp(*companion);
    const std::vector<Json> sent = ingested();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2].at("externalMessageId"), "own-1");
    EXPECT_EQ(sent[2].at("sentViaTarvo"), true);
    EXPECT_EQ(sent[0].at("sentViaTarvo"), true);
}

TEST_F(WhatsAppCapture, AChannelSwitchedOffStopsThePassAndReopensNothing) {
    session->answerReads(
        readOf({message("m1", "1@c.us", false, "a"), message("m2", "2@c.us", false, "b"), message("m3", "3@c.us", false, "c")}));
    service.queue("POST", "/v1/ingest", 403, R"({"code":"channel_disabled"})");
    auto companion = makeWhatsAppCompanion();
    captureWhatsApp(*companion);
    EXPECT_EQ(ingested().size(), 1u);
    EXPECT_THAT(session->tallies(), ElementsAre(Tally{{}, {"m1"}, {"m2", "m3"}}));
    EXPECT_TRUE(logged("tarvo: whatsapp: 1 message(s) did not reach Tarvo and 2 were not tried; 0 chat(s) will be "
                       "read again on the next pass"));
    EXPECT_EQ(companion->state().lastCaptureAt, std::nullopt);
}

TEST_F(WhatsAppCapture, AnAnswerTheClientCannotReadFailsThatMessageOnly) {
    session->answerReads(readOf({message("m1", "1@c.us", false, "a"), message("m2", "2@c.us", false, "b")}));
    service.queue("POST", "/v1/ingest", 200, R"({"attachments":"not a list"})");
    auto companion = makeWhatsAppCompanion();
    captureWhatsApp(*companion);
    EXPECT_THAT(session->tallies(), ElementsAre(Tally{{"m2"}, {"m1"}, {}}));
    EXPECT_FALSE(session->sent().ids().contains("m1"));
    EXPECT_EQ(lines("tarvo: whatsapp ingest failed: ").size(), 1u);
}

} // namespace
} // namespace tarvo::testing
