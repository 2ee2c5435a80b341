#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/HtmlText.h"
#include "Platform/MacFileOperator.h"
#include "Platform/MacFileOperatorTestSupport.h"
#include "Platform/PlainText.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Text.h"

using tarvo::FileText;
using tarvo::HtmlText;
using tarvo::MacFileOperator;
using tarvo::PlainText;
using tarvo::testing::checked;
using tarvo::testing::TemporaryFolder;
using tarvo::testing::writeFile;

namespace {

const std::string euro = "\xE2\x82\xAC";

FileText readAt(const TemporaryFolder& home, const std::string& name) {
    tarvo::RunLoop loop;
    MacFileOperator files = tarvo::testing::signedOutOperator(home.path());
    return tarvo::runUntilDone(loop, files.readText(checked(home / name, home.path())));
}

} // namespace

TEST(PlainText, DecodesWhatTheBytesAre) {
    struct Case {
        const char* what;
        std::string bytes;
        bool cut;
        std::string text;
    };
    const std::vector<Case> cases{
        {"UTF-8", "caf\xC3\xA9 " + euro, false, "caf\xC3\xA9 " + euro},
        {"UTF-8 cut inside its last character", "ab" + euro + euro.substr(0, 2), true, "ab" + euro},
        {"UTF-8 cut inside a four-byte character", "ab\xF0\x9F\x98", true, "ab"},
        {"UTF-16 little-endian with its mark", std::string("\xFF\xFE" "h\0i\0\xAC\x20", 8), false, "hi" + euro},
        {"UTF-16 big-endian with its mark", std::string("\xFE\xFF\0h\0i\x20\xAC", 8), false, "hi" + euro},
        {"UTF-16 little-endian by its NULs", std::string("h\0e\0l\0l\0o\0", 10), false, "hello"},
        {"a pair cut by the limit", std::string("\xFF\xFE" "a\0\x3D\xD8", 6), true, "a"},
        // Even-length Latin-1 would decode as UTF-16 into CJK-looking text.
        {"Latin-1", "caf\xE9 cr\xE8me", false, "caf\xEF\xBF\xBD cr\xEF\xBF\xBDme"},
        {"a lone surrogate", std::string("\xFF\xFE" "a\0\x3D\xD8" "b\0", 8), false,
         std::string("\xEF\xBF\xBD\xEF\xBF\xBD" "a\0=\xEF\xBF\xBD" "b\0", 14)},
    };
    for (const Case& c : cases) EXPECT_EQ(PlainText::decoded(c.bytes, c.cut), c.text) << c.what;
}

TEST(HtmlText, LeavesTheTextAPageShows) {
    struct Case {
        std::string html;
        std::string text;
    };
    const std::vector<Case> cases{
        {"a<script type=\"x\">if (a < b) {}</script>b<STYLE>p{}</style>c", "a b c"},
        {"one<br>two<BR/>three</p>four</div>five</li>six", "one\ntwo\nthree\nfour\nfive\nsix"},
        {"<p class=\"x\">Fish &amp; chips</P>", " Fish & chips\n"},
        {"&lt;b&gt; &quot;q&quot; &#39;s&#39;&nbsp;.", "<b> \"q\" 's' ."},
        {"a page showing &amp;lt;", "a page showing &lt;"},
    };
    for (const Case& c : cases) EXPECT_EQ(HtmlText::stripTags(c.html), c.text) << c.html;
}

TEST(HtmlText, AScriptOfMegabytesGoesWithoutHarm) {
    const std::string html = "before<script>" + std::string(2'000'000, 'x') + "</script>after";
    EXPECT_EQ(HtmlText::stripTags(html), "before after");
}

TEST(MacFileOperatorReading, AnUpperCaseHtmFileIsReadAsAPage) {
    TemporaryFolder home;
    writeFile(home / "Page.HTM", "<html><body><p>Hello</p><script>x()</script>there</body></html>");
    EXPECT_EQ(readAt(home, "Page.HTM").text, "   Hello\n there  ");
}

TEST(MacFileOperatorReading, ALongFileGivesItsFirstBytesWithinTheBudget) {
    TemporaryFolder home;
    std::string line = "word " + euro + " word\n";
    std::string big;
    while (big.size() < 5 * 1024 * 1024) big += line;
    writeFile(home / "big.txt", big);
    const FileText read = readAt(home, "big.txt");
    EXPECT_TRUE(read.truncated);
    EXPECT_LE(tarvo::Text::utf16Length(read.text), FileText::budget);
    EXPECT_EQ(read.text, FileText::plain(big, FileText::budget).text);

}
