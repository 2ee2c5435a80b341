#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Support/TemporaryFolder.h"
#include "TarvoBase/Base64.h"
#include "TarvoBase/FileSettingsStore.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoCore/Operator/FileRefKey.h"
#include "TarvoCore/Operator/FileRefTable.h"
#include "TarvoCore/Operator/FileSearchQuery.h"

using tarvo::FileRefKey;
using tarvo::FileRefTable;
using tarvo::FileSearchQuery;
using tarvo::Json;
using tarvo::MacFileFolder;

namespace {

std::array<std::uint8_t, 32> countingKey() {
    std::array<std::uint8_t, 32> key{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i + 1);
    return key;
}

FileRefTable::Entry entry(std::string path, std::int64_t bytes = 10) {
    return {path, path.substr(path.rfind('/') + 1), MacFileFolder::documents, bytes, false, {7, 42}};
}

const std::string listedPath = "/home/ann/Documents/a.pdf";

} // namespace

TEST(FileRefTable, ReferencesAreTheKeyedMacOfRunAndPath) {
    FileRefTable table(countingKey());
    // Python's hmac and `openssl dgst -sha256 -hmac` give the same MACs for these.
    EXPECT_EQ(table.mint("run-1", entry(listedPath)), "f_04QO6sJuBZF0LdymGKB43lzhEvi9Hzrd");
    EXPECT_EQ(table.mint("run-2", entry(listedPath)), "f_UbO1adlqMGtD8_V_JqDt_XMkHSSYyVTU");

    for (int i = 0; i < 200; ++i) {
        const std::string ref = table.mint("run-1", entry("/home/ann/Documents/" + std::to_string(i) + ".txt"));
        ASSERT_EQ(ref.size(), 34u);
        ASSERT_TRUE(ref.starts_with("f_"));
        ASSERT_EQ(ref.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_", 2),
                  std::string::npos)
            << ref;
    }
}

TEST(FileRefTable, ResolvesOnlyInTheRunThatMintedAndTheLaterEntryWins) {
    FileRefTable table(countingKey());
    const std::string first = table.mint("run-1", entry(listedPath, 10));
    const std::string again = table.mint("run-1", entry(listedPath, 99));
    EXPECT_EQ(first, again);
    EXPECT_EQ(table.resolve("run-1", first), entry(listedPath, 99));

    const std::string other = table.mint("run-2", entry("/home/ann/Documents/b.pdf"));
    EXPECT_EQ(table.resolve("run-2", first), std::nullopt);
    EXPECT_EQ(table.resolve("run-1", other), std::nullopt);
    EXPECT_EQ(table.resolve("run-3", first), std::nullopt);
    EXPECT_EQ(table.resolve("run-1", "f_unknown"), std::nullopt);
}

TEST(FileRefTable, KeepsTheEightNewestRunsByCreation) {
    FileRefTable table(countingKey());
    std::vector<std::string> refs;
    for (int run = 1; run <= 8; ++run) refs.push_back(table.mint("run-" + std::to_string(run), entry(listedPath)));
    // Using the second run again does not keep it longer.
    EXPECT_EQ(table.mint("run-2", entry("/home/ann/Documents/b.pdf")).size(), 34u);
    refs.push_back(table.mint("run-9", entry(listedPath)));

    EXPECT_EQ(table.resolve("run-1", refs[0]), std::nullopt);
    for (int run = 2; run <= 9; ++run)
        EXPECT_EQ(table.resolve("run-" + std::to_string(run), refs[run - 1]), entry(listedPath)) << run;

    table.mint("run-10", entry(listedPath));
    EXPECT_EQ(table.resolve("run-2", refs[1]), std::nullopt);
    EXPECT_EQ(table.resolve("run-3", refs[2]), entry(listedPath));
}

TEST(FileRefTable, MintsAndResolvesFromManyThreads) {
    FileRefTable table(countingKey());
    std::atomic<int> mismatches = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                const std::string run = "run-" + std::to_string((t * 300 + i) % 12);
                const auto listed = entry("/home/ann/Documents/" + std::to_string(i) + ".txt");
                const std::string ref = table.mint(run, listed);
                const auto back = table.resolve(run, ref);
                // Another thread may have pushed the run out meanwhile, never changed what it holds.
                if (back && *back != listed) ++mismatches;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(FileRefKey, MakesAKeyOnceAndReplacesAMalformedOne) {
    tarvo::MemorySettingsStore store;
    const auto made = FileRefKey::current(store);
    const auto stored = store.object(FileRefKey::key);
    ASSERT_TRUE(stored && stored->is_string());
    EXPECT_EQ(stored->get<std::string>().size(), 44u);
    EXPECT_EQ(tarvo::Base64::encode(made), stored->get<std::string>());
    EXPECT_EQ(FileRefKey::current(store), made);

    for (const Json& malformed : {Json("AQID"), Json(tarvo::Base64::encode(std::string(33, 'k'))), Json("not base64!"),
                                  Json(32), Json::array()}) {
        SCOPED_TRACE(malformed.dump());
        store.set(malformed, FileRefKey::key);
        const auto replaced = FileRefKey::current(store);
        EXPECT_NE(replaced, made);
        EXPECT_EQ(store.object(FileRefKey::key), Json(tarvo::Base64::encode(replaced)));
    }
}

TEST(FileRefKey, AGoodKeySurvivesANewStoreOverTheSameFile) {
    tarvo::testing::TemporaryFolder folder;
    std::string ref;
    {
        tarvo::FileSettingsStore store(folder.path());
        ref = FileRefTable(FileRefKey::current(store)).mint("run-1", entry(listedPath));
    }
    tarvo::FileSettingsStore reopened(folder.path());
    EXPECT_EQ(FileRefTable(FileRefKey::current(reopened)).mint("run-1", entry(listedPath)), ref);
}

TEST(FileSearchQuery, OneClauseAPieceForUpToEightCleanedTerms) {
    const std::string budget = "(kMDItemDisplayName == \"*budget*\"cd || kMDItemTextContent == \"budget*\"cdw)";
    EXPECT_EQ(FileSearchQuery::metadataQuery("budget"), budget);
    EXPECT_EQ(FileSearchQuery::metadataQuery("Q3 budget (notes)"),
              "(kMDItemDisplayName == \"*Q3*\"cd || kMDItemTextContent == \"Q3*\"cdw) && " + budget +
                  " && (kMDItemDisplayName == \"*notes*\"cd || kMDItemTextContent == \"notes*\"cdw)");
    EXPECT_EQ(FileSearchQuery::metadataQuery("O'Brien"),
              "(kMDItemDisplayName == \"*OBrien*\"cd || kMDItemTextContent == \"OBrien*\"cdw)");
    EXPECT_EQ(FileSearchQuery::metadataQuery("\"a\\b*c?d(e)f=g&h|i<j>k'\xC3\xA9"),
              "(kMDItemDisplayName == \"*abcdefghijk\xC3\xA9*\"cd || kMDItemTextContent == \"abcdefghijk\xC3\xA9*\"cdw)");

    const auto eight = FileSearchQuery::metadataQuery("a b c d e f g h i j");
    ASSERT_TRUE(eight);
    EXPECT_EQ(std::count(eight->begin(), eight->end(), '('), 8);
    EXPECT_NE(eight->find("\"h*\"cdw)"), std::string::npos);
    EXPECT_EQ(eight->find("\"*i*\""), std::string::npos);
    // Terms left empty by the cleaning do not count towards the eight.
    const auto skipped = FileSearchQuery::metadataQuery("* ? a b c d e f g h");
    ASSERT_TRUE(skipped);
    EXPECT_NE(skipped->find("\"h*\"cdw)"), std::string::npos);

    for (const char* none : {"", "   ", "*?", "() ''"}) EXPECT_EQ(FileSearchQuery::metadataQuery(none), std::nullopt);
}
