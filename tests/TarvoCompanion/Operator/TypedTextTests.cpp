#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TarvoBase/Text.h"
#include "TarvoCompanion/Operator/TypedText.h"

namespace tarvo::testing {
namespace {

std::vector<std::size_t> unitsOf(const std::vector<std::u32string>& chunks) {
    std::vector<std::size_t> units;
    for (const std::u32string& chunk : chunks) units.push_back(Text::utf16Length(Text::fromScalars(chunk)));
    return units;
}

TEST(TypedTextTest, EveryKindOfLineEndEndsALineAndRepeatedOnesGiveEmptyLines) {
    EXPECT_EQ(TypedText::lines("one\r\ntwo\rthree"), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(TypedText::lines("a\n\r\n\rb\n"), (std::vector<std::string>{"a", "", "", "b", ""}));
    EXPECT_EQ(TypedText::lines(""), (std::vector<std::string>{""}));
    EXPECT_EQ(TypedText::lines("héllo 😀 日本"), (std::vector<std::string>{"héllo 😀 日本"}));
}

TEST(TypedTextTest, ChunksHoldAtMostTwentyUnitsAndNeverSplitACharacter) {
    EXPECT_TRUE(TypedText::chunks("").empty());
    EXPECT_EQ(unitsOf(TypedText::chunks(std::string(45, 'x'))), (std::vector<std::size_t>{20, 20, 5}));
    EXPECT_EQ(unitsOf(TypedText::chunks(std::string(20, 'x'))), (std::vector<std::size_t>{20}));

    // The emoji's two units would straddle the twentieth: it opens the next chunk whole.
    const std::string across = std::string(19, 'x') + "😀" + "yz";
    const std::vector<std::u32string> chunks = TypedText::chunks(across);
    EXPECT_EQ(unitsOf(chunks), (std::vector<std::size_t>{19, 4}));
    EXPECT_EQ(chunks[1], U"😀yz");
    std::u32string joined;
    for (const std::u32string& chunk : chunks) joined += chunk;
    EXPECT_EQ(Text::fromScalars(joined), across);
}

} // namespace
} // namespace tarvo::testing
