#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/FileText.h"

using tarvo::FileText;
using tarvo::Text;

namespace {

const std::string grin = "\xF0\x9F\x98\x80"; // two UTF-16 units

std::string units(std::size_t count, char fill = 'a') { return std::string(count, fill); }

} // namespace

TEST(FileText, PlainCutsWithinTheBudgetAndBackToTheLastLineBreak) {
    struct Case {
        const char* what;
        std::string text;
        std::size_t kept;
        bool truncated;
    };
    const std::string withFeed = units(23'990) + "\n" + units(6'009);
    const std::string crlf = units(100) + "\r\n" + units(23'990);
    for (const auto& c : std::initializer_list<Case>{
             {"exactly the budget", units(24'000), 24'000, false},
             {"one over the budget, no line feed", units(24'001), 24'000, true},
             {"last line feed at unit 23,990", withFeed, 23'990, true},
             {"no line feed, an emoji across unit 24,000", units(23'999) + grin + units(10), 23'999, true},
             {"a line feed only as the first character", "\n" + units(30'000), 24'000, true},
             {"CRLF line ends: the CR goes with the line feed", crlf, 100, true},
         }) {
        SCOPED_TRACE(c.what);
        const FileText text = FileText::plain(c.text, FileText::budget);
        EXPECT_EQ(Text::utf16Length(text.text), c.kept);
        EXPECT_EQ(text.text, c.text.substr(0, c.kept));
        EXPECT_EQ(text.truncated, c.truncated);
        EXPECT_EQ(text.pages, std::nullopt);
        EXPECT_EQ(text.pagesRead, std::nullopt);
    }
}

TEST(FileText, PagedAppendsWholePagesUnderHeadingsWhileTheyFit) {
    EXPECT_EQ(FileText::paged({"Intro", "  Body text \n "}, FileText::budget),
              (FileText{"[Page 1]\nIntro\n\n[Page 2]\nBody text", false, 2, 2}));
    EXPECT_EQ(FileText::paged({}, FileText::budget), (FileText{"", false, 0, 0}));
    EXPECT_EQ(FileText::paged({"", " "}, FileText::budget), (FileText{"[Page 1]\n\n\n[Page 2]\n", false, 2, 2}));

    // "[Page 1]\n" is 9 units and "\n\n[Page 2]\n" 11: a second page of 20 fills a budget of 40
    // to the unit with a first page of 0.
    const std::string second = units(20, 'b');
    EXPECT_EQ(FileText::paged({"", second, "c"}, 40), (FileText{"[Page 1]\n\n\n[Page 2]\n" + second, true, 3, 2}));
    EXPECT_EQ(FileText::paged({"", second + "b", "c"}, 40), (FileText{"[Page 1]\n", true, 3, 1}));
}

TEST(FileText, AFirstPageThatDoesNotFitIsCutLikePlainText) {
    // One long line: the cut goes back to before the heading's own line feed.
    EXPECT_EQ(FileText::paged({units(30'000), "next"}, FileText::budget), (FileText{"[Page 1]", true, 2, 0}));
    // Lines: part of page 1, heading included, up to its last whole line.
    const std::string lines = units(10'000) + "\n" + units(10'000) + "\n" + units(10'000);
    EXPECT_EQ(FileText::paged({lines}, FileText::budget),
              (FileText{"[Page 1]\n" + units(10'000) + "\n" + units(10'000), true, 1, 0}));
}
