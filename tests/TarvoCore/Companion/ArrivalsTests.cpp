#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "TarvoCore/Companion/Arrivals.h"

namespace Arrivals = tarvo::Arrivals;
using tarvo::Json;
using Notice = Arrivals::NudgeNotice;

namespace {

const std::string flag = "\U0001F1EB\U0001F1F7";  // one character of two code points
const std::string turn = "0F8FAD5B-D9CB-469F-A165-70867728950E";
const std::string lowerTurn = "0f8fad5b-d9cb-469f-a165-70867728950e";

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

Notice notice(std::string title, std::string body, const std::string& turnId = lowerTurn) {
    return {std::move(title), std::move(body), {{"open", "brain"}, {"turnId", turnId}}};
}

} // namespace

TEST(Arrivals, OnlyARiseOverAnEarlierCountIsAnnounced) {
    struct Case {
        std::optional<std::int64_t> previous;
        std::int64_t now;
        bool announced;
    };
    const Case cases[] = {{std::nullopt, 5, false}, {5, 5, false}, {5, 7, true}, {7, 3, false}, {3, 4, true}};
    for (const auto& c : cases) EXPECT_EQ(Arrivals::shouldAnnounce(c.previous, c.now), c.announced) << c.now;
}

TEST(Arrivals, WaitingLineIsSingularForOneAndPlainDigitsOtherwise) {
    EXPECT_EQ(Arrivals::line(1), "1 thing is waiting for you");
    EXPECT_EQ(Arrivals::line(0), "0 things are waiting for you");
    EXPECT_EQ(Arrivals::line(3), "3 things are waiting for you");
    EXPECT_EQ(Arrivals::line(1234567), "1234567 things are waiting for you");
    EXPECT_EQ(Arrivals::line(-2), "-2 things are waiting for you");
}

TEST(Arrivals, NudgeBecomesANoticeOnlyWithACanonicalTurnIdAndSomethingToSay) {
    struct Case {
        const char* name;
        std::string turnId;
        std::string title;
        std::string body;
        std::optional<Notice> notice;
    };
    const Case cases[] = {
        {"upper-case turn id, lowered", turn, "Reply to Ana?", "She asked about Friday",
         notice("Reply to Ana?", "She asked about Friday")},
        {"not a UUID", "turn-1", "Reply?", "Ana", std::nullopt},
        {"leading blank", " " + lowerTurn, "Reply?", "Ana", std::nullopt},
        {"braced", "{" + lowerTurn + "}", "Reply?", "Ana", std::nullopt},
        {"no hyphens", "0f8fad5bd9cb469fa16570867728950e", "Reply?", "Ana", std::nullopt},
        {"blank title", lowerTurn, " \t ", "Hi", notice("Tarvo", "Hi")},
        {"blank title and body", lowerTurn, "\n \u2028", " \r\n\u00A0", std::nullopt},
        {"blank body", lowerTurn, "Friday", "  ", notice("Friday", "")},
        {"trimmed at both ends", lowerTurn, "\n  Reply?  \n", "\tAna wrote \n", notice("Reply?", "Ana wrote")},
        {"title cut at 120", lowerTurn, std::string(130, 't'), "b", notice(std::string(120, 't'), "b")},
        {"body cut at 240", lowerTurn, "t", std::string(300, 'b'), notice("t", std::string(240, 'b'))},
        {"121 flags keep 120", lowerTurn, repeated(flag, 121), "", notice(repeated(flag, 120), "")},
        {"flag whole at the title's end", lowerTurn, std::string(119, 'a') + flag + "zz", "",
         notice(std::string(119, 'a') + flag, "")},
        {"flag whole at the body's end", lowerTurn, "t", std::string(239, 'b') + flag + "zz",
         notice("t", std::string(239, 'b') + flag)},
    };
    for (const auto& c : cases) EXPECT_EQ(Arrivals::nudgeNotice(c.turnId, c.title, c.body), c.notice) << c.name;
}

TEST(Arrivals, OnlyABrainNoticeOpensTheBrainPage) {
    struct Case {
        Json userInfo;
        std::string path;
    };
    const Case cases[] = {
        {Json{{"open", "brain"}, {"turnId", lowerTurn}}, "/app/brain"},
        {Json{{"open", "panel"}}, "/app"},
        {Json{{"open", "Brain"}}, "/app"},
        {Json{{"open", 1}}, "/app"},
        {Json::object(), "/app"},
        {Json::array({"open", "brain"}), "/app"},
    };
    for (const auto& c : cases) EXPECT_EQ(Arrivals::panelPath(c.userInfo), c.path) << c.userInfo.dump();
}
