#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

using tarvo::Json;
using tarvo::WhatsAppWeb::conversationURL;
using tarvo::WhatsAppWeb::escapeJS;
using tarvo::WhatsAppWeb::openConversationScript;
using tarvo::WhatsAppWeb::OpenOutcome;
using tarvo::WhatsAppWeb::openFailureSentence;
using tarvo::WhatsAppWeb::parseOpenOutcome;
using tarvo::WhatsAppWeb::readSendOutcome;
using tarvo::WhatsAppWeb::searchSummary;
using tarvo::WhatsAppWeb::SenderIdentity;
using tarvo::WhatsAppWeb::senderIdentity;
using tarvo::WhatsAppWeb::senderPhone;
using tarvo::WhatsAppWeb::SendOutcome;
using tarvo::WhatsAppWeb::sendScript;
using tarvo::WhatsAppWeb::sessionProbeScript;

TEST(WhatsAppWebConversation, EscapingKeepsEveryScalarButThoseThatWouldEndTheLiteral) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain words", "plain words"},
        {"a\r\nb", "a\\nb"},
        {R"(say "hi" it's C:\x)", R"(say \"hi\" it\'s C:\\x)"},
        {"line\u2028para\u2029", "line\\u2028para\\u2029"},
        {"tab\tbell\a 😀 </script>", "tab\tbell\a 😀 </script>"},
        {"broken \xff end", "broken \uFFFD end"},
    };
    for (const auto& [text, escaped] : cases) EXPECT_EQ(escapeJS(text), escaped) << text;
}

TEST(WhatsAppWebConversation, TheOpenAnswerReadsFieldByFieldAndIgnoresWrongTypes) {
    EXPECT_EQ(parseOpenOutcome(std::nullopt), std::nullopt);
    EXPECT_EQ(parseOpenOutcome("[]"), std::nullopt);
    EXPECT_EQ(parseOpenOutcome("open"), std::nullopt);
    EXPECT_EQ(parseOpenOutcome(R"({"ok":true,"openedRef":"4915112345678@c.us","alreadyOpen":true})"),
              (OpenOutcome{.ok = true, .alreadyOpen = true}));
    EXPECT_EQ(parseOpenOutcome(R"({"ok":"yes","reason":5,"alreadyOpen":1,"walked":"66","how":{"chat":"2"}})"),
              OpenOutcome{});
    EXPECT_EQ(parseOpenOutcome(R"({"ok":false,"reason":"not_in_list","rows":14,"walked":66.0,"pages":5,"grew":4,
                                   "sameNumber":false,"how":{"chat":60,"none":6},"propKeys":["a"],"anyFiber":true,
                                   "searched":{"tried":true,"box":true,"rows":0},"want":"4915112345678@c.us"})"),
              (OpenOutcome{.reason = "not_in_list",
                           .walked = 66,
                           .sameNumber = false,
                           .anyFiber = true,
                           .how = std::map<std::string, std::int64_t>{{"chat", 60}, {"none", 6}},
                           .searched = "searched by name: 0 results, none of them this chat"}));
}

TEST(WhatsAppWebConversation, TheSearchSummarySaysWhetherABoxWasFoundAndWhatItShowed) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {R"({"tried":true,"box":true,"rows":3})", "searched by name: 3 results, none of them this chat"},
        {R"({"tried":true,"box":true})", "searched by name: 0 results, none of them this chat"},
        {R"({"tried":true})", "searched by name: no search box found"},
        {R"({"tried":true,"box":"yes"})", "searched by name: no search box found"},
        {R"({"tried":false,"box":true,"rows":3})", std::nullopt},
        {R"({})", std::nullopt},
        {R"(null)", std::nullopt},
        {R"([true])", std::nullopt},
    };
    for (const auto& [searched, summary] : cases) EXPECT_EQ(searchSummary(Json::parse(searched)), summary) << searched;
}

TEST(WhatsAppWebConversation, AFailedOpenIsTheSentenceForWhatTheScriptSaw) {
    const std::string notInList = "That WhatsApp conversation is not in the chat list on this Mac, so Tarvo sent "
                                  "nothing. Open it once in WhatsApp and try again.";
    const std::string unreadableList = "Tarvo could not read WhatsApp Web's chat list on this Mac — the page has "
                                       "changed in a way this build does not understand, so it sent nothing rather "
                                       "than risk the wrong conversation. This needs a Tarvo update, not anything "
                                       "from you.";
    const std::string unreadableRows = "Tarvo could not tell which conversation any row in the chat list belongs to, "
                                       "so it sent nothing rather than risk the wrong one. This needs a Tarvo update, "
                                       "not anything from you.";
    const std::string couldNotOpen = "Tarvo could not open that WhatsApp conversation on this Mac, so it sent "
                                     "nothing. Open it in WhatsApp and try again.";
    const std::string searchedNothing = "searched by name: 0 results, none of them this chat";
    struct Case {
        std::string reason;
        std::optional<std::int64_t> walked;
        std::optional<bool> sameNumber;
        std::optional<bool> anyFiber;
        std::optional<std::string> searched;
        std::string sentence;
    };
    const Case cases[] = {
        {"not_in_list", std::nullopt, true, false, searchedNothing, notInList},
        {"not_in_list", 12, true, true, searchedNothing,
         "Tarvo found that conversation on this Mac but WhatsApp has given it a new internal id, so it did not send. "
         "Open it once in WhatsApp and try again — Tarvo will relearn it. (looked at 12 conversations)"},
        {"not_in_list", 0, false, false, std::nullopt, unreadableList},
        {"not_in_list", 0, false, true, std::nullopt, unreadableRows},
        {"not_in_list", 0, std::nullopt, std::nullopt, std::nullopt, unreadableRows},
        {"not_in_list", 66, false, true, std::nullopt, notInList + " (looked at 66 conversations)"},
        {"not_in_list", 66, false, true, searchedNothing,
         notInList + " (looked at 66 conversations; searched by name: 0 results, none of them this chat)"},
        {"no_chat_list", std::nullopt, std::nullopt, std::nullopt, std::nullopt,
         "Tarvo could not read the WhatsApp chat list on this Mac, so it sent nothing. Check WhatsApp is still linked "
         "in Settings."},
        {"opened_the_wrong_chat", 3, true, true, std::nullopt,
         "Tarvo opened the wrong WhatsApp conversation and stopped rather than send your reply to the wrong people. "
         "Nothing was sent. Try again."},
        {"no_press_target", 66, false, true, std::nullopt, couldNotOpen},
        {"unknown", std::nullopt, std::nullopt, std::nullopt, std::nullopt, couldNotOpen},
    };
    for (const Case& c : cases)
        EXPECT_EQ(openFailureSentence(c.reason, c.walked, c.sameNumber, c.anyFiber, c.searched), c.sentence)
            << c.reason << " walked " << c.walked.value_or(-1);
}

TEST(WhatsAppWebConversation, ASendAnswerWithoutABooleanOkIsNotTakenAsSent) {
    const SendOutcome couldNotTell{false, "Tarvo could not tell whether WhatsApp Web sent that. Nothing is assumed."};
    const std::pair<std::string, SendOutcome> cases[] = {
        {R"({"ok":true})", {true, std::nullopt}},
        {R"({"ok":false,"reason":"WhatsApp Web has changed and Tarvo could not find the message box."})",
         {false, "WhatsApp Web has changed and Tarvo could not find the message box."}},
        {R"({"ok":false,"reason":7})", {false, std::nullopt}},
        {R"({"ok":"true"})", couldNotTell},
        {R"({"reason":"sent"})", couldNotTell},
        {R"([{"ok":true}])", couldNotTell},
        {"", couldNotTell},
    };
    for (const auto& [answer, outcome] : cases) EXPECT_EQ(readSendOutcome(answer), outcome) << answer;
}

TEST(WhatsAppWebConversation, OnlyAPersonalChatWithFiveDigitsOrMoreHasALinkAndAPhone) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"4915112345678@c.us", "4915112345678"},
        {"4915112345678@s.whatsapp.net", "4915112345678"},
        {"12345@c.us", "12345"},
        {"1234@c.us", std::nullopt},
        {"491511234-1612345678@g.us", std::nullopt},
        {"120363012345678901@g.us", std::nullopt},
        {"98765432109876@lid", std::nullopt},
        {"4915112345678@example.net", std::nullopt},
        {"@c.us", std::nullopt},
        {"+4915112345678@c.us", std::nullopt},
        {"٤٩١٥١١٢٣٤٥٦@c.us", "49151123456"},
        {"49151½2345@c.us", std::nullopt},
        {"+44 20 7946 0000", "442079460000"},
        {"+٤٤ ٢٠ ٧٩٤٦ ٠٠٠٠", "442079460000"},
        {"+44 (12)", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [ref, phone] : cases) {
        EXPECT_EQ(senderPhone(ref), phone) << ref;
        EXPECT_EQ(conversationURL(ref), phone ? std::optional("https://web.whatsapp.com/send?phone=" + *phone)
                                              : std::nullopt)
            << ref;
    }
}

TEST(WhatsAppWebConversation, TheSenderIsTheAuthorsNumberElseItsRefElseTheConversationsNumber) {
    struct Case {
        std::optional<std::string> author;
        std::string conversation;
        std::optional<SenderIdentity> sender;
    };
    const Case cases[] = {
        {"4915112345678@c.us", "120363012345678901@g.us", SenderIdentity{"4915112345678", "phone"}},
        {"98765432109876@lid", "120363012345678901@g.us", SenderIdentity{"98765432109876@lid", "whatsapp"}},
        {"120363012345678901@g.us", "4915112345678@c.us", SenderIdentity{"4915112345678", "phone"}},
        {"", "4915112345678@s.whatsapp.net", SenderIdentity{"4915112345678", "phone"}},
        {std::nullopt, "4915112345678@c.us", SenderIdentity{"4915112345678", "phone"}},
        {std::nullopt, "120363012345678901@g.us", std::nullopt},
        {"120363012345678901@g.us", "98765432109876@lid", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(senderIdentity(c.author, c.conversation), c.sender) << c.author.value_or("(none)") << c.conversation;
}

TEST(WhatsAppWebConversation, SplicedValuesAreEscapedTrimmedAndNeverSplicedAgain) {
    const std::string open = openConversationScript("4915112345678@c.us", " \n Anna \"{{want}}\"\t\n");
    EXPECT_NE(open.find(R"(const want = "4915112345678@c.us";)"), std::string::npos);
    EXPECT_NE(open.find(R"(const searchName = "Anna \"{{want}}\"";)"), std::string::npos);
    EXPECT_EQ(open.find("{{name}}"), std::string::npos);
    EXPECT_NE(openConversationScript("4915112345678@c.us", std::nullopt).find(R"(const searchName = "";)"),
              std::string::npos);
    EXPECT_NE(sendScript("it's\r\n{{body}}").find(R"(const body = "it\'s\n{{body}}";)"), std::string::npos);
    EXPECT_NE(sessionProbeScript().find("JSON.stringify"), std::string::npos);
}
