#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "TarvoCore/WhatsApp/RetryBudget.h"
#include "TarvoCore/WhatsApp/RowPrints.h"

using namespace tarvo::WhatsAppWeb;

TEST(WhatsAppRetryBudget, CountsUpToTheLimitThenRunsOut) {
    RetryBudget budget(RetryBudget::defaultLimit);
    for (int spend = 1; spend <= 9; ++spend) EXPECT_TRUE(budget.spend("k"));
    EXPECT_FALSE(budget.isSpent("k"));

    EXPECT_TRUE(budget.spend("k"));
    EXPECT_TRUE(budget.isSpent("k"));
    EXPECT_FALSE(budget.hasRunOut("k"));

    EXPECT_FALSE(budget.spend("k"));
    EXPECT_TRUE(budget.hasRunOut("k"));
    EXPECT_EQ(budget.tries.at("k"), 11);

    budget.forget("k");
    EXPECT_FALSE(budget.isSpent("k"));
    EXPECT_TRUE(budget.spend("k"));
    EXPECT_EQ(budget.tries.at("k"), 1);
}

TEST(WhatsAppRetryBudget, SpentListsTheKeysAtTheLimitInByteOrder) {
    RetryBudget budget(10);
    budget.tries = {{"b", 10}, {"a", 12}, {"c", 3}, {"B", 10}, {"\xc3\xa9", 10}};
    EXPECT_EQ(budget.spent(), (std::vector<std::string>{"B", "a", "b", "\xc3\xa9"}));
    EXPECT_TRUE(RetryBudget(10).spent().empty());
}

TEST(WhatsAppRetryBudget, APassForgetsTheChatsItFingerprintedThenCountsTheHeldBack) {
    RetryBudget budget(10);
    budget.tries = {{"x", 6}, {"y", 2}, {"z", 4}};
    const ReadResult result{.heldBackChats = {"x", "y", "w"}, .fingerprints = {"x|1", "z|2|3", "q"}};
    budget.record(result);
    EXPECT_EQ(budget.tries, (std::map<std::string, std::int64_t>{{"w", 1}, {"x", 1}, {"y", 3}}));
}

TEST(WhatsAppRowPrints, TheChatKeyIsWhatComesBeforeTheFirstBar) {
    EXPECT_EQ(chatKey("k1|abc"), "k1");
    EXPECT_EQ(chatKey("k1|a|b"), "k1");
    EXPECT_EQ(chatKey("k1"), "k1");
    EXPECT_EQ(chatKey("|abc"), "");
    EXPECT_EQ(chatKey(""), "");
}

TEST(WhatsAppRowPrints, TheBaselineDropsTheChatsToReadAgainAndKeepsTheOrder) {
    const std::vector<std::string> prints{"a|1", "b|2", "a|3", "c|4"};
    EXPECT_EQ(baseline(prints, {"a"}), (std::vector<std::string>{"b|2", "c|4"}));
    EXPECT_EQ(baseline(prints, {"c", "b"}), (std::vector<std::string>{"a|1", "a|3"}));
    EXPECT_EQ(baseline(prints, {}), prints);
    EXPECT_EQ(baseline(prints, {"zz"}), prints);
}
