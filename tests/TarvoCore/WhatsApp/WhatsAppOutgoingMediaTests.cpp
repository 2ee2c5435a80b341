#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "TarvoBase/Base64.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo::WhatsAppWeb {
namespace {

TEST(WhatsAppOutgoingMedia, EveryStageReadsBackFromItsNameAndNothingElseIsAStage) {
    const std::vector<MediaSendStage> all{MediaSendStage::decode,      MediaSendStage::attachMenu,
                                          MediaSendStage::fileInput,   MediaSendStage::notAccepted,
                                          MediaSendStage::dataTransfer, MediaSendStage::preview,
                                          MediaSendStage::confirm,     MediaSendStage::sent};
    const std::vector<std::string> names{"decode",       "attachMenu", "fileInput", "notAccepted",
                                         "dataTransfer", "preview",    "confirm",   "sent"};
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(rawValue(all[i]), names[i]);
        EXPECT_EQ(mediaSendStageFromRawValue(names[i]), all[i]);
    }
    for (const char* other : {"", "Sent", "confirm ", "menu"}) EXPECT_EQ(mediaSendStageFromRawValue(other), std::nullopt);
}

TEST(WhatsAppOutgoingMedia, TheArgumentsCarryTheBytesWholeAndANameThatIsSafe) {
    std::string bytes;
    for (int byte = 0; byte < 256; ++byte) bytes.push_back(static_cast<char>(byte));
    bytes += std::string(70000, '\xff');
    const Json arguments = attachmentArguments({"f1", "../../etc/passwd", "Image/PNG ; q=1", bytes});
    const std::string encoded = arguments.at("fileB64").get<std::string>();
    EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(Base64::decode(encoded), bytes);
    EXPECT_EQ(arguments.at("fileName"), "passwd");
    EXPECT_EQ(arguments.at("fileType"), "Image/PNG");
    EXPECT_EQ(arguments.size(), 3u);

    const Json empty = attachmentArguments({"f2", "", "", ""});
    EXPECT_EQ(empty.at("fileB64"), "");
    EXPECT_EQ(empty.at("fileName"), "attachment");
    EXPECT_EQ(empty.at("fileType"), "file");
}

TEST(WhatsAppOutgoingMedia, AnAnswerThatCannotBeReadIsAFileNotKnownToHaveGone) {
    const MediaSendOutcome couldNotTell{false, std::nullopt, std::string(couldNotTellWhetherTaken)};
    struct Case {
        const char* answer;
        MediaSendOutcome outcome;
    };
    const std::vector<Case> cases{
        {"", couldNotTell},
        {"not json", couldNotTell},
        {R"([{"ok":true}])", couldNotTell},
        {R"({"stage":"sent"})", couldNotTell},
        {R"({"ok":"true","stage":"sent"})", couldNotTell},
        {R"({"ok":1})", couldNotTell},
        {R"({"ok":true,"stage":"sent"})", {true, "sent", std::nullopt}},
        {R"({"ok":false,"stage":"confirm","reason":"still waiting"})", {false, "confirm", "still waiting"}},
        {R"({"ok":false,"stage":7,"reason":null})", {false, std::nullopt, std::nullopt}},
        {R"({"ok":false,"stage":"somewhere new","reason":"r"})", {false, "somewhere new", "r"}},
    };
    for (const Case& c : cases) EXPECT_EQ(readMediaSendOutcome(c.answer), c.outcome) << c.answer;
    EXPECT_EQ(readMediaSendOutcome(R"({"ok":false,"stage":"confirm"})").stage(), MediaSendStage::confirm);
    EXPECT_EQ(readMediaSendOutcome(R"({"ok":false,"stage":"somewhere new"})").stage(), std::nullopt);
}

TEST(WhatsAppOutgoingMedia, TheSentenceOfAFailedFileSaysWhereInTheReplyItStopped) {
    EXPECT_EQ(mediaFailureSentence(1, 1, "It broke."), "It broke.");
    EXPECT_EQ(mediaFailureSentence(1, 1, std::nullopt), "WhatsApp Web did not say why.");
    EXPECT_EQ(mediaFailureSentence(1, 3, "It broke."), "It broke. Nothing was sent — this was the first of 3 files.");
    EXPECT_EQ(mediaFailureSentence(2, 3, std::nullopt),
              "WhatsApp Web did not say why. File 2 of 3 — the 1 before it were sent, and the message itself was not.");
}

} // namespace
} // namespace tarvo::WhatsAppWeb

namespace tarvo::WhatsAppWeb {
namespace {

// The number a script declares as `const name = number;`.
double declared(const std::string& script, const std::string& name) {
    const std::smatch found = [&] {
        std::smatch match;
        std::regex_search(script, match, std::regex("const " + name + " = (\\d+);"));
        return match;
    }();
    EXPECT_FALSE(found.empty()) << name;
    return found.empty() ? 0 : std::stod(found[1].str());
}

TEST(WhatsAppScriptLimits, EachScriptOfTheSendMayTakeLongerThanAllItsOwnWaits) {
    const std::string open = openConversationScript("4915550000001@c.us", std::nullopt);
    const std::string text = sendScript("hi");
    const std::string attach = attachmentScript();
    const std::string composer = composerReportScript();
    const std::string gone = mediaGoneScript();
    // Every wait is one of the constants summed below.
    for (const std::string* script : {&open, &text, &attach, &composer, &gone}) {
        EXPECT_FALSE(std::regex_search(*script, std::regex(R"(wait\(\d)"))) << script->substr(0, 120);
    }
    const auto seconds = [](double milliseconds) { return milliseconds / 1000; };
    const double openWaits =
        seconds(declared(open, "WALK_PAGES") * declared(open, "WALK_PAUSE_MS") +
                declared(open, "SEARCH_POLLS") * declared(open, "SEARCH_PAUSE_MS") +
                declared(open, "CONFIRM_POLLS") * declared(open, "CONFIRM_PAUSE_MS"));
    const double textWaits = seconds(declared(text, "BOX_TRIES") * declared(text, "BOX_PAUSE_MS") +
                                     declared(text, "TYPED_PAUSE_MS") +
                                     declared(text, "HELD_LOOKS") * declared(text, "HELD_PAUSE_MS"));
    double attachPolls = 0;
    for (const char* polls : {"MENU_POLLS", "CONTROL_LOOKS", "INPUT_POLLS", "EDITOR_POLLS", "PASTE_POLLS", "GONE_POLLS",
                              "RETRY_POLLS"}) {
        attachPolls += declared(attach, polls);
    }
    const double attachWaits = seconds(attachPolls * declared(attach, "POLL_MS"));
    const double composerWaits =
        seconds((declared(composer, "FOOTER_POLLS") + declared(composer, "MENU_POLLS")) * declared(composer, "POLL_MS"));
    const double goneWaits = seconds(declared(gone, "GONE_POLLS") * declared(gone, "POLL_MS"));

    EXPECT_DOUBLE_EQ(openWaits, 24.6);
    EXPECT_DOUBLE_EQ(attachWaits, 52);
    EXPECT_DOUBLE_EQ(composerWaits, 12);
    // Room beyond the waits for the work between them: the attachment script also decodes up
    // to 16 MiB, which took about 2 s on a loaded machine.
    EXPECT_GE(openScriptLimit.count(), 2 * openWaits);
    EXPECT_GE(sendScriptLimit.count(), 2 * textWaits);
    EXPECT_GE(attachmentScriptLimit.count(), 2 * attachWaits);
    EXPECT_GE(composerReportLimit.count(), 2 * composerWaits);
    EXPECT_GE(mediaGoneLimit.count(), 2 * goneWaits);
    // The after report waits for nothing.
    EXPECT_EQ(afterHandoverReportScript().find("wait("), std::string::npos);
}

} // namespace
} // namespace tarvo::WhatsAppWeb
