#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "Platform/FolderSearch.h"
#include "Platform/MacFileOperator.h"
#include "Platform/MacFileOperatorTestSupport.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/FileSearchQuery.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

using tarvo::FileSearchQuery;
using tarvo::FolderSearch;
using tarvo::FoundFiles;
using tarvo::MacFileOperator;
using tarvo::OperatorPortFailure;
using tarvo::testing::TemporaryFolder;
using tarvo::testing::touchAt;
using tarvo::testing::writeFile;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct MacFileOperatorSearchTest : ::testing::Test {
    TemporaryFolder home;

    FoundFiles search(const std::string& query, std::int64_t limit = 50) {
        tarvo::RunLoop loop;
        MacFileOperator files = tarvo::testing::signedOutOperator(home.path());
        return tarvo::runUntilDone(loop, files.search(query, limit));
    }

    std::set<std::string> names(const FoundFiles& found) {
        std::set<std::string> all;
        for (const auto& file : found.files) all.insert(fs::path(file.path).lexically_relative(home.path()).string());
        return all;
    }
};

} // namespace

TEST(FolderSearchTerms, ReadsBackExactlyWhatTheQueryBuilderWrites) {
    for (const std::string query : {"cafe", "two words", "caf\xC3\xA9 r\xC3\xA9sum\xC3\xA9 1-2", "a*b (c)"}) {
        const auto text = FileSearchQuery::metadataQuery(query);
        ASSERT_TRUE(text);
        std::vector<std::string> expected;
        for (std::string term : tarvo::Text::splitAtWhitespace(query)) {
            std::erase_if(term, [](char c) { return std::string_view("*()").find(c) != std::string_view::npos; });
            expected.push_back(term);
        }
        EXPECT_EQ(FolderSearch::terms(*text), expected) << *text;
    }
    for (const std::string text : {"", "cafe", "(kMDItemDisplayName == \"*a*\"cd || kMDItemTextContent == \"b*\"cdw)",
                                   "(kMDItemDisplayName == \"*a*\"cd || kMDItemTextContent == \"a*\"cdw) &&",
                                   "(kMDItemDisplayName == \"**\"cd || kMDItemTextContent == \"*\"cdw)",
                                   "(kMDItemDisplayName == \"*a b*\"cd || kMDItemTextContent == \"a b*\"cdw)",
                                   "(kMDItemDisplayName == \"*a*\"cd || kMDItemTextContent == \"a*\"cdw) || x"})
        EXPECT_EQ(FolderSearch::terms(text), std::nullopt) << text;
}

TEST(FolderSearchTerms, AWordMustBeginWithTheTerm) {
    EXPECT_TRUE(FolderSearch::beginsAWord("the invoice", "inv"));
    EXPECT_TRUE(FolderSearch::beginsAWord("invoice", "inv"));
    EXPECT_TRUE(FolderSearch::beginsAWord("(invoice)", "inv"));
    EXPECT_FALSE(FolderSearch::beginsAWord("reinvoice", "inv"));
    EXPECT_FALSE(FolderSearch::beginsAWord("caf\xC3\xA9inv", "inv"));
}

TEST_F(MacFileOperatorSearchTest, FindsByNameAndByAWordOfATextOrAPage) {
    writeFile(home / "Documents/Caf\xC3\xA9.txt", "x");
    writeFile(home / "notes.txt", "Pay the Invoice by Friday");
    writeFile(home / "Site/page.html", "<p>Old <b>invoices</b></p>");
    writeFile(home / "report.pdf", "invoice in a PDF is not read");
    writeFile(home / "invoice-scan.pdf", "%PDF");
    writeFile(home / "word.txt", "reinvoice");
    writeFile(home / ".hidden/invoice.txt", "x");
    writeFile(home / "Tool.app/invoice.txt", "x");
    writeFile(home / "Library/Caches/invoice.txt", "x");
    writeFile(home / "Library/Mobile Documents/com~apple~CloudDocs/invoice-cloud.txt", "x");
    TemporaryFolder outside;
    writeFile(outside / "invoice.txt", "x");
    fs::create_directory_symlink(outside.path(), home / "linked");

    EXPECT_EQ(names(search("cafe")), std::set<std::string>{"Documents/Caf\xC3\xA9.txt"});
    EXPECT_EQ(names(search("INVOICE")),
              (std::set<std::string>{"notes.txt", "Site/page.html", "invoice-scan.pdf",
                                     "Library/Mobile Documents/com~apple~CloudDocs/invoice-cloud.txt"}));
    EXPECT_EQ(names(search("invoice friday")), std::set<std::string>{"notes.txt"});
    EXPECT_FALSE(search("cafe").files.at(0).cloudOnly);
}

TEST_F(MacFileOperatorSearchTest, KeepsTheNewestAndSaysWhenThereWereMore) {
    for (int i = 0; i < 25; ++i) {
        const fs::path file = home / ("match-" + std::to_string(i) + ".txt");
        writeFile(file, "x");
        touchAt(file, 1'600'000'000 + (i * 7) % 25);
    }
    const FoundFiles ten = search("match", 10);
    ASSERT_EQ(ten.files.size(), 10u);
    EXPECT_TRUE(ten.truncated);
    for (std::size_t i = 1; i < ten.files.size(); ++i) EXPECT_GT(ten.files[i - 1].modifiedAt, ten.files[i].modifiedAt);
    EXPECT_EQ(ten.files[0].modifiedAt, std::chrono::system_clock::time_point(std::chrono::seconds(1'600'000'024)));

    for (int i = 10; i < 25; ++i) fs::remove(home / ("match-" + std::to_string(i) + ".txt"));
    const FoundFiles exactly = search("match", 10);
    EXPECT_EQ(exactly.files.size(), 10u);
    EXPECT_FALSE(exactly.truncated);
}

TEST_F(MacFileOperatorSearchTest, AQueryWithoutWordsIsRefusedAndTheTimeLimitEndsTheWalk) {
    try {
        search("*** ()");
        ADD_FAILURE() << "searched";
    } catch (const OperatorPortFailure& failure) {
        EXPECT_EQ(failure.sentence, MacFileOperator::noSearchWordsSentence);
    }
    for (int i = 0; i < 200; ++i) writeFile(home / ("tree/f" + std::to_string(i) + ".txt"), "x");
    const FoundFiles none = FolderSearch::gather({"f"}, {home.path().string()}, home.path().string(), 10, 0s);
    EXPECT_TRUE(none.files.empty());
    EXPECT_EQ(FolderSearch::gather({"f"}, {home.path().string()}, home.path().string(), 500, 20s).files.size(), 200u);
}
