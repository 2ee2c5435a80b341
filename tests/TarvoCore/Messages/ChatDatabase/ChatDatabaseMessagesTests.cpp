#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "ChatDatabaseTest.h"
#include "Support/TypedStream.h"

using namespace std::chrono_literals;
using tarvo::ChatDatabase;
using tarvo::testing::ChatDatabaseTest;
using tarvo::testing::MessagesDatabaseFixture;
using tarvo::testing::typedStreamHolding;

namespace {

constexpr std::int64_t second = tarvo::testing::appleNanosecondsPerSecond;
constexpr std::int64_t t = 780000000;

const auto at = tarvo::testing::appleDate;

std::vector<std::string> guids(const ChatDatabase::MessageBatch& batch) {
    std::vector<std::string> out;
    for (const auto& message : batch.messages) out.push_back(message.guid);
    return out;
}

// A message with text in one chat, for tests about which rows come back.
class MessagesTest : public ChatDatabaseTest {
protected:
    std::int64_t add(const std::string& guid, std::int64_t date, std::int64_t associatedType = 0) {
        return fixture.addMessage(
            {.guid = guid, .chat = chat, .date = date, .text = "text of " + guid, .associatedMessageType = associatedType});
    }

    ChatDatabase::MessageBatch read(ChatDatabase::Date after, int limit = 500) const {
        return ChatDatabase(chatDbPath()).messages(after, limit);
    }

    MessagesDatabaseFixture fixture{chatDbPath()};
    std::int64_t chat = fixture.addChat({.chatIdentifier = "+15550001"});
};

} // namespace

TEST_F(MessagesTest, OnlyRowsAfterTheCursorsWholeSecondComeBackOldestFirst) {
    add("sameSecondInNanoseconds", t * second + 999999999);
    add("nextSecondLate", (t + 1) * second + 900000000);
    add("sameSecondInSeconds", t);
    add("nextSecond", t + 1);
    add("later", (t + 60) * second);

    EXPECT_EQ(guids(read(at(t) + 700ms)), (std::vector<std::string>{"nextSecond", "nextSecondLate", "later"}));
    EXPECT_EQ(guids(read(at(t) + 700ms, 2)), (std::vector<std::string>{"nextSecond", "nextSecondLate"}));
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(MessagesTest, ReadingGoesOnPastARowAmongRowsOfOneDate) {
    // Five rows stored under one date, out of ROWID order among rows of other dates, the last
    // without text; a limit of two must walk them all, each once.
    std::vector<std::int64_t> rowIds;
    rowIds.push_back(add("b1", t * second + 5));
    add("later", (t + 1) * second);
    rowIds.push_back(add("b2", t * second + 5));
    add("earlier", t * second + 4);
    rowIds.push_back(add("b3", t * second + 5));
    rowIds.push_back(add("b4", t * second + 5));
    rowIds.push_back(fixture.addMessage({.guid = "dropped", .chat = chat, .date = t * second + 5}));

    std::vector<std::string> walked;
    std::optional<ChatDatabase::ScanPosition> pastRow;
    std::vector<ChatDatabase::ScanPosition> scanned;
    for (int page = 0; page < 5; ++page) {
        const auto batch = ChatDatabase(chatDbPath()).messages(at(t - 1), 2, pastRow);
        if (!batch.scannedThrough) break;
        for (const auto& guid : guids(batch)) walked.push_back(guid);
        scanned.push_back(*batch.scannedThrough);
        pastRow = batch.scannedThrough;
    }

    EXPECT_EQ(walked, (std::vector<std::string>{"earlier", "b1", "b2", "b3", "b4", "later"}));
    // The page that ends on the row without text still reports it as looked at.
    const std::vector<ChatDatabase::ScanPosition> expected{{t * second + 5, rowIds[0]},
                                                           {t * second + 5, rowIds[2]},
                                                           {t * second + 5, rowIds[4]},
                                                           {(t + 1) * second, rowIds[0] + 1}};
    EXPECT_EQ(scanned, expected);
}

TEST_F(MessagesTest, ReactionsAreLeftOut) {
    const std::int64_t types[] = {0, 1000, 1999, 2000, 2003, 2006, 2007, 2999, 3000, 3006, 3007};
    for (std::int64_t type : types) add("type" + std::to_string(type), t + type, type);
    EXPECT_EQ(guids(read(at(0))),
              (std::vector<std::string>{"type0", "type1000", "type1999", "type2007", "type2999", "type3007"}));
}

TEST_F(ChatDatabaseTest, WithoutTheReactionColumnNoRowIsLeftOut) {
    MessagesDatabaseFixture fixture(chatDbPath(), {.withoutColumns = {{"message", {"associated_message_type"}}}});
    const auto chat = fixture.addChat({.chatIdentifier = "+15550001"});
    fixture.addMessage({.guid = "a", .chat = chat, .date = t, .text = "hi"});
    EXPECT_EQ(guids(ChatDatabase(chatDbPath()).messages(at(0), 500)), (std::vector<std::string>{"a"}));
}

TEST_F(MessagesTest, TextComesFromTheRichTextBodyOnlyWhenThePlainTextIsEmpty) {
    const std::string longText = std::string(39999, 'a') + "z";
    const std::string mediumText = std::string(299, 'b') + "\xC3\xA9"; // 301 bytes
    fixture.addMessage({.guid = "short", .chat = chat, .date = t + 1, .attributedBody = typedStreamHolding("hello")});
    fixture.addMessage({.guid = "medium", .chat = chat, .date = t + 2, .text = "", .attributedBody = typedStreamHolding(mediumText)});
    fixture.addMessage({.guid = "long", .chat = chat, .date = t + 3, .attributedBody = typedStreamHolding(longText)});
    fixture.addMessage({.guid = "plainWins", .chat = chat, .date = t + 4, .text = " plain\n", .attributedBody = typedStreamHolding("rich")});
    // Blanks and object replacement characters are text, so the body is not consulted; cleaned,
    // nothing is left and the row is dropped.
    fixture.addMessage({.guid = "onlyObjects",
                        .chat = chat,
                        .date = t + 5,
                        .text = " \xEF\xBF\xBC\n\xEF\xBF\xBC\t",
                        .attributedBody = typedStreamHolding("rich")});
    fixture.addMessage({.guid = "unreadableBody", .chat = chat, .date = t + 6, .attributedBody = tarvo::testing::Bytes{1, 2, 3}});
    fixture.addMessage({.guid = "cleaned", .chat = chat, .date = t + 7, .text = "\xEF\xBF\xBC\xE2\x80\xA8 see\xEF\xBF\xBCthis\xC2\xA0\n"});

    const auto batch = read(at(0));

    ASSERT_EQ(guids(batch), (std::vector<std::string>{"short", "medium", "long", "plainWins", "cleaned"}));
    EXPECT_EQ(batch.messages[0].text, "hello");
    EXPECT_EQ(batch.messages[1].text, mediumText);
    EXPECT_EQ(batch.messages[2].text, longText);
    EXPECT_EQ(batch.messages[3].text, "plain");
    EXPECT_EQ(batch.messages[4].text, "seethis");
    EXPECT_EQ(batch.skippedWithoutText, 2);
    EXPECT_EQ(batch.attachmentsUnavailable, std::nullopt);
}

TEST_F(MessagesTest, MessageFields) {
    const auto alice = fixture.addHandle("alice@example.com");
    const auto bob = fixture.addHandle("+15550002");
    const auto carol = fixture.addHandle("+15550003");
    const auto pair = fixture.addChat({.chatIdentifier = "pair", .serviceName = "SMS"});
    const auto group = fixture.addChat({.chatIdentifier = "chat42", .serviceName = "IMESSAGE", .displayName = " Team "});
    const auto unnamed = fixture.addChat({.chatIdentifier = "chat43", .serviceName = std::nullopt, .displayName = ""});
    for (auto handle : {alice, bob}) fixture.addChatHandle(pair, handle);
    for (auto handle : {alice, bob, carol}) {
        fixture.addChatHandle(group, handle);
        fixture.addChatHandle(unnamed, handle);
    }
    fixture.addMessage({.guid = "p", .chat = pair, .date = t * second + 250000000, .text = "a", .handle = bob});
    fixture.addMessage({.guid = "g", .chat = group, .date = (t + 1) * second, .text = "b", .isFromMe = true});
    fixture.addMessage({.guid = "u", .chat = unnamed, .date = (t + 2) * second, .text = "c", .handle = carol});

    const auto batch = read(at(0));

    using Message = ChatDatabase::Message;
    const std::vector<Message> expected{
        {"p", "pair", false, "+15550002", "a", at(t) + 250ms, true, false, std::nullopt, {}},
        {"g", "chat42", true, std::nullopt, "b", at(t + 1), false, true, " Team ", {}},
        {"u", "chat43", false, "+15550003", "c", at(t + 2), true, true, std::nullopt, {}},
    };
    EXPECT_EQ(batch.messages, expected);
}

TEST_F(MessagesTest, RowsWithoutGuidOrChatIdentifierAreCounted) {
    const auto nameless = fixture.addChat({.chatIdentifier = "x"});
    fixture.execute("update chat set chat_identifier = null where ROWID = " + std::to_string(nameless));
    fixture.addMessage({.guid = std::nullopt, .chat = chat, .date = t + 1, .text = "a"});
    fixture.addMessage({.guid = "n", .chat = nameless, .date = t + 2, .text = "b"});
    add("kept", t + 3);
    const auto batch = read(at(0));
    EXPECT_EQ(guids(batch), (std::vector<std::string>{"kept"}));
    EXPECT_EQ(batch.skippedWithoutText, 2);
}

TEST_F(MessagesTest, AttachmentsComeWithTheirMessages) {
    const auto home = folder / "home";
    std::filesystem::create_directories(home / "Library/Messages/Attachments");
    write(home / "Library/Messages/Attachments/voice.caf", std::string(1234, 'v'));
    ASSERT_EQ(::setenv("HOME", home.c_str(), 1), 0);

    const auto photoMessage = add("photo", t + 1);
    const auto fileOnly = fixture.addMessage({.guid = "fileOnly", .chat = chat, .date = t + 2, .text = "\xEF\xBF\xBC"});
    add("plain", t + 3);
    fixture.addAttachment(photoMessage, {.guid = "a1", .filename = "/data/IMG_1.heic", .transferName = "photo.JPG", .totalBytes = 2048, .isCommsafetySensitive = true});
    fixture.addAttachment(photoMessage, {.guid = std::nullopt, .filename = "/data/skipped.png"});
    fixture.addAttachment(photoMessage, {.guid = "a3", .uti = "com.apple.coreaudio-format", .mimeType = "audio/mp4", .totalBytes = -5});
    fixture.addAttachment(fileOnly, {.guid = "a4", .filename = "~/Library/Messages/Attachments/voice.caf", .mimeType = " image/png ", .isSticker = true});

    const auto batch = read(at(0));

    using Attachment = ChatDatabase::Attachment;
    ASSERT_EQ(guids(batch), (std::vector<std::string>{"photo", "fileOnly", "plain"}));
    EXPECT_EQ(batch.messages[0].attachments,
              (std::vector<Attachment>{
                  {"a1", "photo.JPG", "image/jpeg", 2048, std::nullopt, true, "/data/IMG_1.heic"},
                  {"a3", "attachment", "audio/x-caf", 0, "voice", false, std::nullopt},
              }));
    EXPECT_EQ(batch.messages[1].text, "");
    EXPECT_EQ(batch.messages[1].attachments,
              (std::vector<Attachment>{{"a4", "voice.caf", "image/png", 1234, "sticker", false,
                                        (home / "Library/Messages/Attachments/voice.caf").string()}}));
    EXPECT_TRUE(batch.messages[2].attachments.empty());
    EXPECT_EQ(batch.skippedWithoutText, 0);
    EXPECT_EQ(batch.attachmentsUnavailable, std::nullopt);
}

TEST_F(MessagesTest, EachMessageGetsItsOwnFilesWhereverItsRowLies) {
    const auto attachmentGuids = [](const ChatDatabase::Message& message) {
        std::vector<std::string> out;
        for (const auto& attachment : message.attachments) out.push_back(attachment.guid);
        return out;
    };
    fixture.execute("begin");
    const auto first = add("first", t + 1);
    const auto reaction = add("reaction", t + 2, 2000);
    const auto early = add("early", t - 100);
    const auto second = add("second", t + 3);
    // Rows the reading never returns, enough of them to part the rows around them.
    for (int i = 0; i < 300; ++i) add("old" + std::to_string(i), t - 200);
    const auto far = add("far", t + 4);
    fixture.addAttachment(first, {.guid = "f1"});
    fixture.addAttachment(reaction, {.guid = "ofTheReaction"});
    fixture.addAttachment(early, {.guid = "ofTheEarlyOne"});
    fixture.addAttachment(second, {.guid = "s1"});
    fixture.addAttachment(far, {.guid = "x1"});
    fixture.addAttachment(second, {.guid = "s2"});
    fixture.addAttachment(far, {.guid = "x2"});
    fixture.execute("commit");

    const auto batch = read(at(t));

    ASSERT_EQ(guids(batch), (std::vector<std::string>{"first", "second", "far"}));
    EXPECT_EQ(attachmentGuids(batch.messages[0]), (std::vector<std::string>{"f1"}));
    EXPECT_EQ(attachmentGuids(batch.messages[1]), (std::vector<std::string>{"s1", "s2"}));
    EXPECT_EQ(attachmentGuids(batch.messages[2]), (std::vector<std::string>{"x1", "x2"}));
}

TEST_F(ChatDatabaseTest, WithoutTheAttachmentTableFileOnlyMessagesAreDroppedAndCounted) {
    struct Case {
        MessagesDatabaseFixture::Shape shape;
        std::string sentence;
    };
    const Case cases[] = {
        {{.withoutTables = {"attachment"}},
         "The Messages database is not the shape Tarvo knows how to read: the table `attachment` is missing entirely"},
        {{.withoutColumns = {{"attachment", {"uti", "is_sticker"}}}},
         "The Messages database is not the shape Tarvo knows how to read: `attachment` has no `is_sticker`, `uti`"},
        {{.withoutTables = {"message_attachment_join"}},
         "Reading the Messages database failed: reading attachments: no such table: message_attachment_join"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const auto file = folder / ("shape" + std::to_string(n++) + ".db");
        MessagesDatabaseFixture fixture(file, c.shape);
        const auto chat = fixture.addChat({.chatIdentifier = "+15550001"});
        fixture.addMessage({.guid = "words", .chat = chat, .date = t + 1, .text = "hi"});
        const auto fileOnly = fixture.addMessage({.guid = "fileOnly", .chat = chat, .date = t + 2});
        fixture.addAttachment(fileOnly, {.guid = "a1", .filename = "/data/a.png"});

        const auto batch = ChatDatabase(file).messages(at(0), 500);

        EXPECT_EQ(guids(batch), (std::vector<std::string>{"words"})) << c.sentence;
        EXPECT_EQ(batch.skippedWithoutText, 1);
        EXPECT_EQ(batch.attachmentsUnavailable, c.sentence);
    }
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(ChatDatabaseTest, MessagesFromADamagedOrMisshapenDatabaseFail) {
    makeDamagedDatabase();
    try {
        ChatDatabase(chatDbPath()).messages(at(0), 500);
        ADD_FAILURE() << "a damaged database read as nothing new";
    } catch (const ChatDatabase::Failure& failure) {
        EXPECT_EQ(failure.description(), "Reading the Messages database failed: database disk image is malformed");
    }

    const auto misshapen = folder / "misshapen.db";
    MessagesDatabaseFixture fixture(misshapen, {.withoutColumns = {{"handle", {"id"}}}});
    try {
        ChatDatabase(misshapen).messages(at(0), 500);
        ADD_FAILURE() << "no failure";
    } catch (const ChatDatabase::Failure& failure) {
        EXPECT_EQ(failure, ChatDatabase::Failure::schemaChanged("`handle` has no `id`"));
    }
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(MessagesTest, EveryTextReadIsWellFormedUtf8) {
    const std::string odd = "a\xFF" "b\xC3";
    const std::string mended = "a\xEF\xBF\xBD" "b\xEF\xBF\xBD";
    const auto handle = fixture.addHandle("+1555" + odd);
    const auto group = fixture.addChat({.chatIdentifier = "chat" + odd, .displayName = "Team" + odd});
    const auto message = fixture.addMessage(
        {.guid = "g" + odd, .chat = group, .date = t + 1, .text = "hi" + odd, .isFromMe = true, .handle = handle});
    fixture.addAttachment(message, {.guid = "a" + odd, .filename = "/data/x" + odd, .mimeType = "image/png" + odd});
    fixture.addAttachment(message, {.guid = "b", .filename = "/data/y" + odd});

    const auto batch = read(at(0));

    ASSERT_EQ(batch.messages.size(), 1u);
    const auto& m = batch.messages[0];
    EXPECT_EQ(m.guid, "g" + mended);
    EXPECT_EQ(m.chatIdentifier, "chat" + mended);
    EXPECT_EQ(m.handle, "+1555" + mended);
    EXPECT_EQ(m.groupName, "Team" + mended);
    EXPECT_EQ(m.text, "hi" + mended);
    ASSERT_EQ(m.attachments.size(), 2u);
    EXPECT_EQ(m.attachments[0].guid, "a" + mended);
    EXPECT_EQ(m.attachments[0].filename, "x" + mended);
    EXPECT_EQ(m.attachments[0].mimeType, "image/png" + mended);
    // The path names the file on the disk, whatever its bytes.
    EXPECT_EQ(m.attachments[0].localPath, "/data/x" + odd);
    EXPECT_EQ(m.attachments[1].filename, "y" + mended);

    const ChatDatabase database(chatDbPath());
    const auto sends = database.outboundSends(at(0), 10);
    ASSERT_TRUE(sends.isObserved());
    ASSERT_EQ(sends.value().size(), 1u);
    EXPECT_EQ(sends.value()[0].guid, "g" + mended);
    EXPECT_EQ(sends.value()[0].chatIdentifier, "chat" + mended);
}

TEST_F(MessagesTest, TildePathsAreTheirUsersHomeFolders) {
    struct Homes final : tarvo::HomeFolders {
        std::optional<std::string> homeFolder(const std::string& user) const override {
            if (user == "ada") return "/home/ada";
            return std::nullopt;
        }
    };
    ChatDatabase::useHomeFolders(std::make_shared<Homes>());
    const std::pair<std::string, std::string> cases[] = {
        {"~ada", "/home/ada"},
        {"~ada/Library/b.png", "/home/ada/Library/b.png"},
        {"~nobody/c.png", "~nobody/c.png"},
        {"/data/~ada/d.png", "/data/~ada/d.png"},
    };
    const auto message = add("files", t + 1);
    for (const auto& [stored, expanded] : cases) {
        fixture.addAttachment(message, {.guid = stored, .filename = stored, .totalBytes = 1});
    }

    const auto batch = read(at(0));
    ChatDatabase::useHomeFolders(nullptr);

    ASSERT_EQ(batch.messages.size(), 1u);
    ASSERT_EQ(batch.messages[0].attachments.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(batch.messages[0].attachments[i].localPath, cases[i].second) << cases[i].first;
    }
}
