#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "TarvoCore/Messages/MessagesSender/MessagesSender.h"

using tarvo::MessagesSender;
using tarvo::ReplyService;
using Because = ReplyService::Because;
using Failure = MessagesSender::Failure;
using Stage = MessagesSender::Stage;
using StagedFailure = MessagesSender::StagedFailure;

TEST(MessagesSenderScripts, WordsToAPerson) {
    EXPECT_EQ(MessagesSender::script("+15550001", "See you at 6", false, std::nullopt),
              R"(tell application "Messages"
    set targetService to 1st service whose service type = iMessage
    set targetRecipient to buddy "+15550001" of targetService
  send "See you at 6" to targetRecipient
end tell)");
}

TEST(MessagesSenderScripts, WordsToAGroupAddressTheChatByItsRefWhateverTheService) {
    EXPECT_EQ(MessagesSender::script("chat123456789", "Hi all", true, std::nullopt),
              R"(tell application "Messages"
    set targetChat to missing value
    try
      set targetChat to chat id "any;+;chat123456789"
    end try
    if targetChat is missing value then
      error "Tarvo: no Messages group matches chat123456789"
    end if
    set targetRecipient to targetChat
  send "Hi all" to targetRecipient
end tell)");
}

TEST(MessagesSenderScripts, AFileOverSMS) {
    EXPECT_EQ(MessagesSender::fileScript("+15550001", "/tmp/Say \"cheese\"\\1.jpg", true, std::nullopt),
              R"(tell application "Messages"
  set theFile to POSIX file "/tmp/Say \"cheese\"\\1.jpg"
    set targetService to 1st service whose service type = SMS
    set targetRecipient to buddy "+15550001" of targetService
  send theFile to targetRecipient
end tell)");
}

TEST(MessagesSenderScripts, HostileTextStaysInsideItsString) {
    const std::string body = "\"\nend tell\r\ntell application \"Finder\" to delete every item\\";
    const std::string ref = "x\" of targetService\nend tell";
    EXPECT_EQ(MessagesSender::script(ref, body, false, std::nullopt),
              R"(tell application "Messages"
    set targetService to 1st service whose service type = iMessage
    set targetRecipient to buddy "x\" of targetService" & return & "end tell" of targetService
  send "\"" & return & "end tell" & return & "tell application \"Finder\" to delete every item\\" to targetRecipient
end tell)");
}

TEST(MessagesSenderScripts, Escape) {
    struct Case {
        std::string text;
        std::string escaped;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"", ""},
             {"   ", "   "},
             {"say \"hi\"", "say \\\"hi\\\""},
             {"C:\\path\\", "C:\\\\path\\\\"},
             {"a\nb", "a\" & return & \"b"},
             {"a\rb", "ab"},
             {"a\r\nb", "a\" & return & \"b"},
             {"\n\n", "\" & return & \"\" & return & \""},
             {"end tell", "end tell"},
             {"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
         }) {
        EXPECT_EQ(MessagesSender::escape(c.text), c.escaped) << ::testing::PrintToString(c.text);
    }
}

TEST(MessagesSenderScripts, GroupOrPerson) {
    struct Case {
        std::string ref;
        std::optional<std::string> guid;
        bool group;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"chat123456789", std::nullopt, true},
             {"chat1", std::nullopt, true},
             {"chat\xD9\xA3\xD9\xA4", std::nullopt, true}, // Arabic-Indic digits
             {"chat", std::nullopt, false},
             {"chat12a", std::nullopt, false},
             {"Chat123", std::nullopt, false},
             {"+15550001", std::nullopt, false},
             {"+15550001", "any;+;chat99", true},
             {"chat123456789", "any;-;chat123456789", false},
             {"chat123", "iMessage;+;chat123", true},
             {"family", "iMessage;+;family", false},
         }) {
        EXPECT_EQ(MessagesSender::isGroup(c.ref, c.guid), c.group) << c.ref << " " << c.guid.value_or("-");
    }
    // The guid only decides the form; the chat is still addressed by the ref.
    EXPECT_NE(MessagesSender::script("family", "x", false, "any;+;family")
                  .find("set targetChat to chat id \"any;+;family\""),
              std::string::npos);
}

TEST(MessagesSenderScripts, FailureSentences) {
    EXPECT_EQ(Failure::messagesRefused("no buddy").description(), "Messages could not send that: no buddy");
    EXPECT_EQ(Failure::automationDenied().description(),
              "macOS has not allowed Tarvo to control Messages. Turn Tarvo on in System Settings → Privacy & "
              "Security → Automation → Messages.");
    EXPECT_EQ(Failure::messagesTimedOut().description(),
              "Messages did not answer, so Tarvo stopped waiting. Check the conversation in Messages before "
              "sending it again.");
    EXPECT_EQ(StagedFailure(Stage::file(1, 1), Failure::messagesRefused("x")).description(),
              "Messages could not send that: x — the file did not go, so nothing was sent.");
    EXPECT_EQ(StagedFailure(Stage::file(2, 12), Failure::messagesRefused("x")).description(),
              "Messages could not send that: x — file 2 of 12 did not go, so the message was not sent either.");
    EXPECT_EQ(StagedFailure(Stage::words(), Failure::messagesTimedOut()).description(),
              Failure::messagesTimedOut().description() + " — the files went but the message did not.");
}

TEST(ReplyService, TheirIMessageWinsElseTheChannelDecides) {
    struct Case {
        std::string channelKind;
        std::optional<std::string> theirNewest;
        ReplyService service;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"sms", "IMESSAGE", {false, Because::theyWroteOverIMessage}},
             {"imessage", "iMessage", {false, Because::theyWroteOverIMessage}},
             {"sms", std::nullopt, {true, Because::theChannel}},
             {"sms", "SMS", {true, Because::theChannel}},
             {"imessage", "SMS", {false, Because::theChannel}},
             {"SMS", std::nullopt, {false, Because::theChannel}},
         }) {
        EXPECT_EQ(ReplyService::choose(c.channelKind, c.theirNewest), c.service)
            << c.channelKind << " " << c.theirNewest.value_or("-");
    }
    EXPECT_EQ((ReplyService{true, Because::theChannel}).serviceType(), "SMS");
    EXPECT_EQ((ReplyService{false, Because::theChannel}).serviceType(), "iMessage");
    EXPECT_EQ(ReplyService::rawValue(Because::theyWroteOverIMessage), "their newest message came over iMessage");
    EXPECT_EQ(ReplyService::rawValue(Because::theChannel), "the channel's own service");
}
