#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/OperatorStepOutcome.h"

using tarvo::CapturedPicture;
using tarvo::Json;
using tarvo::MacElementInfo;
using tarvo::MacFileFolder;
using tarvo::MacFileListing;
using tarvo::MacPermissionAsk;
using tarvo::RunningApp;
using tarvo::ScreenAfter;
using tarvo::Text;
using Outcome = tarvo::OperatorStepOutcome;

namespace {

// U+1F600: one character, two UTF-16 units.
const std::string grin = "\xF0\x9F\x98\x80";

std::string repeated(std::size_t count) { return std::string(count, 'a'); }

// `units` - 1 letters and then an emoji whose second unit would be the one past the cap.
std::string straddling(std::size_t units) { return repeated(units - 1) + grin + "tail"; }

Json result(const Outcome& outcome) {
    const Json wire = outcome.wire();
    EXPECT_EQ(wire.at("outcome"), "done");
    return wire.at("result");
}

MacFileListing listing(std::string ref) {
    return {std::move(ref), "a.pdf", MacFileFolder::documents, 10, {}, false, std::nullopt, std::nullopt};
}

} // namespace

TEST(OperatorStepOutcome, ListAppsCutsAppsWindowsAndNames) {
    std::vector<RunningApp> apps(81, RunningApp{"Other", "com.example.other", 9, false, false, {}});
    apps[0] = RunningApp{straddling(200), std::nullopt, 42, true, true,
                         std::vector<std::string>(41, "Inbox")};
    apps[0].windowTitles[0] = straddling(300);
    const Json r = result(Outcome{Outcome::ListApps{apps}});

    EXPECT_EQ(r.at("kind"), "list_apps");
    ASSERT_EQ(r.at("apps").size(), 80u);
    const Json& first = r.at("apps")[0];
    EXPECT_EQ(first.at("name"), repeated(199));
    EXPECT_TRUE(first.contains("bundleId"));
    EXPECT_TRUE(first.at("bundleId").is_null());
    EXPECT_EQ(first.at("frontmost"), true);
    EXPECT_EQ(first.at("hidden"), true);
    EXPECT_FALSE(first.contains("pid"));
    ASSERT_EQ(first.at("windows").size(), 40u);
    EXPECT_EQ(first.at("windows")[0], Json({{"title", repeated(299)}}));
    EXPECT_EQ(first.at("windows")[1], Json({{"title", "Inbox"}}));
    EXPECT_EQ(r.at("apps")[1],
              Json({{"name", "Other"}, {"bundleId", "com.example.other"}, {"frontmost", false}, {"hidden", false},
                    {"windows", Json::array()}}));
}

TEST(OperatorStepOutcome, LookSendsTheScreenImageOnlyWhenWholeAndSmallEnough) {
    const std::string thumbnail = "\xFF\xD8\xFF";
    auto picture = [&](std::optional<std::string> screen, std::optional<std::int64_t> height) {
        return CapturedPicture{thumbnail, 320, 200, {straddling(200), "Notes"}, std::move(screen), 1280, height};
    };
    struct Case {
        CapturedPicture picture;
        bool screenSent;
    };
    for (const Case& c : std::vector<Case>{
             {picture(std::string(1'500'000, 'j'), 800), true},
             {picture(std::string(1'500'001, 'j'), 800), false},
             {picture(std::string(10, 'j'), std::nullopt), false},
             {picture(std::string(), 800), false},
             {picture(std::nullopt, 800), false},
         }) {
        const Json r = result(Outcome{Outcome::Look{c.picture}});
        EXPECT_EQ(r.at("kind"), "look");
        EXPECT_EQ(r.at("thumbnailJpegBase64"), "/9j/");
        EXPECT_EQ(r.at("width"), 320);
        EXPECT_EQ(r.at("height"), 200);
        EXPECT_EQ(r.at("apps"), Json::array({repeated(199), "Notes"}));
        EXPECT_EQ(r.contains("screenJpegBase64"), c.screenSent);
        EXPECT_EQ(r.contains("screenWidth"), c.screenSent);
        EXPECT_EQ(r.contains("screenHeight"), c.screenSent);
        if (c.screenSent) {
            EXPECT_EQ(r.at("screenJpegBase64").get<std::string>().size(), 2'000'000u);
            EXPECT_EQ(r.at("screenWidth"), 1280);
            EXPECT_EQ(r.at("screenHeight"), 800);
        }
    }
    std::vector<std::string> names(81, "App");
    const Json r = result(Outcome{Outcome::Look{CapturedPicture{thumbnail, 1, 1, names, {}, {}, {}}}});
    EXPECT_EQ(r.at("apps").size(), 80u);
}

TEST(OperatorStepOutcome, ScreenTextIsCutButItsFlagIsSentAsRead) {
    const Json absent = result(Outcome{Outcome::ReadScreenText{straddling(200), straddling(6000), false, std::nullopt}});
    EXPECT_EQ(absent, Json({{"kind", "read_screen_text"},
                            {"app", repeated(199)},
                            {"text", repeated(5999)},
                            {"truncated", false}}));

    const Json empty = result(Outcome{Outcome::ReadScreenText{"Mail", "x", true, std::vector<MacElementInfo>{}}});
    EXPECT_EQ(empty.at("elements"), Json::array());
    EXPECT_EQ(empty.at("truncated"), true);

    const std::vector<MacElementInfo> elements(250, MacElementInfo{"1.2", straddling(60), straddling(200), std::nullopt});
    const Json many = result(Outcome{Outcome::ReadScreenText{"Mail", "x", false, elements}});
    ASSERT_EQ(many.at("elements").size(), 200u);
    EXPECT_EQ(many.at("elements")[0], Json({{"id", "1.2"}, {"role", repeated(59)}, {"label", repeated(199)}}));
}

TEST(OperatorStepOutcome, ElementsSayEnabledOnlyWhenKnown) {
    const Json wire = MacElementInfo::wire({{"1.1", "AXButton", "Send", true}, {"1.2", "AXButton", "Later", false},
                                            {"1.3", "AXLink", "", std::nullopt}});
    EXPECT_EQ(wire, Json::array({
                        {{"id", "1.1"}, {"role", "AXButton"}, {"label", "Send"}, {"enabled", true}},
                        {{"id", "1.2"}, {"role", "AXButton"}, {"label", "Later"}, {"enabled", false}},
                        {{"id", "1.3"}, {"role", "AXLink"}, {"label", ""}},
                    }));
}

TEST(OperatorStepOutcome, ListFilesSendsTwentyAndSaysWhenThereWereMore) {
    struct Case {
        std::size_t files;
        bool truncated;
        std::size_t sent;
        bool truncatedSent;
    };
    for (const Case& c : std::vector<Case>{{25, false, 20, true}, {20, false, 20, false}, {3, true, 3, true}, {0, false, 0, false}}) {
        const Json r = result(Outcome{Outcome::ListFiles{std::vector<MacFileListing>(c.files, listing("f_12345678")), c.truncated}});
        EXPECT_EQ(r.at("kind"), "list_files");
        EXPECT_EQ(r.at("files").size(), c.sent) << c.files;
        EXPECT_EQ(r.at("truncated"), c.truncatedSent) << c.files;
    }
}

TEST(OperatorStepOutcome, FileListingsCarryNoMalformedOrOversizedValue) {
    using namespace std::chrono;
    MacFileListing file{"f_abcdefgh", repeated(254) + grin, MacFileFolder::icloud, -1,
                        sys_days{year{2024} / 1 / 1}, true, "", "iCloud Drive/Notes"};
    EXPECT_EQ(file.wire(), Json({{"ref", "f_abcdefgh"},
                                 {"name", repeated(254)},
                                 {"folder", "icloud"},
                                 {"bytes", 0},
                                 {"modifiedAt", "2024-01-01T00:00:00.000Z"},
                                 {"cloudOnly", true},
                                 {"dir", "iCloud Drive/Notes"}}));

    file.type = repeated(119) + grin;
    file.dir = "Documents/../Private";
    const Json cut = file.wire();
    EXPECT_EQ(cut.at("type"), repeated(119));
    EXPECT_FALSE(cut.contains("dir"));

    file.dir = "";
    EXPECT_EQ(file.wire().at("dir"), "") << "a file directly in home is in the empty folder";
}

TEST(OperatorStepOutcome, ReadFileCutsItsTextAndSendsOnlyMeaningfulPageCounts) {
    const Json cut = result(Outcome{Outcome::ReadFile{"f_abcdefgh", straddling(24000), false, 0, 0}});
    EXPECT_EQ(cut, Json({{"kind", "read_file"},
                         {"ref", "f_abcdefgh"},
                         {"text", repeated(23999)},
                         {"truncated", true},
                         {"pagesRead", 0}}));

    const Json whole = result(Outcome{Outcome::ReadFile{"f_abcdefgh", repeated(24000), false, 12, std::nullopt}});
    EXPECT_EQ(whole.at("truncated"), false);
    EXPECT_EQ(whole.at("pages"), 12);
    EXPECT_FALSE(whole.contains("pagesRead"));

    const Json negative = result(Outcome{Outcome::ReadFile{"f_abcdefgh", "x", true, -3, -1}});
    EXPECT_EQ(negative.at("truncated"), true);
    EXPECT_FALSE(negative.contains("pages"));
    EXPECT_FALSE(negative.contains("pagesRead"));
}

TEST(OperatorStepOutcome, SendFileAndActedResults) {
    EXPECT_EQ(result(Outcome{Outcome::SendFile{"f_abcdefgh", -5, "ab12"}}),
              Json({{"kind", "send_file"}, {"ref", "f_abcdefgh"}, {"bytes", 0}, {"sha256", "ab12"}}));
    EXPECT_EQ(result(Outcome{Outcome::SendFile{"f_abcdefgh", 52'400'000, "ab12"}}).at("bytes"), 52'400'000);

    const ScreenAfter after{straddling(200), "Sent", false, std::vector<MacElementInfo>{{"3.1", "AXButton", "OK", true}}};
    EXPECT_EQ(result(Outcome{Outcome::Acted{"press_element", after}}),
              Json({{"kind", "press_element"},
                    {"after", {{"app", repeated(199)},
                               {"text", "Sent"},
                               {"truncated", false},
                               {"elements", Json::array({{{"id", "3.1"}, {"role", "AXButton"}, {"label", "OK"}, {"enabled", true}}})}}}}));
    const ScreenAfter unread{"Mail", "", true, std::nullopt};
    EXPECT_FALSE(unread.wire().contains("elements"));
}

TEST(OperatorStepOutcome, SentencesAreFittedToThreeHundredUnits) {
    struct Case {
        std::string sentence;
        std::string sent;
    };
    for (const Case& c : std::vector<Case>{
             {"", "It did not work."},
             {"That app is not open.", "That app is not open."},
             {repeated(300), repeated(300)},
             {repeated(298) + grin, repeated(298) + grin},
             {repeated(301), repeated(297) + "..."},
             {repeated(296) + grin + repeated(10), repeated(296) + "..."},
             {repeated(295) + grin + repeated(10), repeated(295) + grin + "..."},
         }) {
        const std::string fitted = Outcome::fit(c.sentence);
        EXPECT_EQ(fitted, c.sent) << c.sentence.size();
        EXPECT_LE(Text::utf16Length(fitted), Outcome::sentenceMax);
    }
    struct Wire {
        Outcome outcome;
        Json wire;
    };
    for (const Wire& c : std::vector<Wire>{
             {Outcome{Outcome::Refused{repeated(301)}}, {{"outcome", "refused"}, {"reason", repeated(297) + "..."}}},
             {Outcome{Outcome::Failed{""}}, {{"outcome", "failed"}, {"reason", "It did not work."}}},
             {Outcome{Outcome::NeedsPress{"Let Tarvo read Desktop?", MacPermissionAsk::folder}},
              {{"outcome", "needs_press"}, {"sentence", "Let Tarvo read Desktop?"}, {"asks", "folder"}}},
             {Outcome{Outcome::NeedsPress{"Press?", MacPermissionAsk::app}},
              {{"outcome", "needs_press"}, {"sentence", "Press?"}, {"asks", "app"}}},
             {Outcome{Outcome::NeedsPress{"", std::nullopt}}, {{"outcome", "needs_press"}, {"sentence", "It did not work."}}},
         }) {
        EXPECT_EQ(c.outcome.wire(), c.wire);
    }
}

TEST(OperatorStepOutcome, CodesNameTheCaseAndTheActKind) {
    const ScreenAfter after{"Mail", "", false, std::nullopt};
    struct Case {
        Outcome outcome;
        std::string code;
    };
    for (const Case& c : std::vector<Case>{
             {Outcome{Outcome::ListApps{}}, "done.list_apps"},
             {Outcome{Outcome::Look{}}, "done.look"},
             {Outcome{Outcome::ReadScreenText{}}, "done.read_screen_text"},
             {Outcome{Outcome::ListFiles{}}, "done.list_files"},
             {Outcome{Outcome::ReadFile{}}, "done.read_file"},
             {Outcome{Outcome::SendFile{}}, "done.send_file"},
             {Outcome{Outcome::Acted{"scroll", after}}, "done.scroll"},
             {Outcome{Outcome::Acted{"press_element", after}}, "done.press_element"},
             {Outcome{Outcome::Acted{"move_file", after}}, "done.act"},
             {Outcome{Outcome::Acted{"look", after}}, "done.act"},
             {Outcome{Outcome::NeedsPress{"Press?", std::nullopt}}, "needs_press"},
             {Outcome{Outcome::Refused{"No."}}, "refused"},
             {Outcome{Outcome::Failed{"No."}}, "failed"},
         }) {
        EXPECT_EQ(c.outcome.code(), c.code);
    }
}
