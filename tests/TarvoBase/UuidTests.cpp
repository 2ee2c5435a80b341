#include <gtest/gtest.h>

#include <set>

#include "TarvoBase/Uuid.h"

using tarvo::Uuid;

TEST(Uuid, RandomUuidsAreVersionFourInBothLetterCases) {
    auto previous = Uuid::setRandomSource([](std::span<std::uint8_t> fill) {
        for (auto& byte : fill) byte = 0xFF;
    });
    const Uuid fixed = Uuid::random();
    Uuid::setRandomSource(previous);
    EXPECT_EQ(fixed.uppercased(), "FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF");
    EXPECT_EQ(fixed.lowercased(), "ffffffff-ffff-4fff-bfff-ffffffffffff");

    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) seen.insert(Uuid::random().uppercased());
    EXPECT_EQ(seen.size(), 100u);
}

TEST(Uuid, WellFormedText) {
    struct Case {
        const char* text;
        bool wellFormed;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"123e4567-e89b-12d3-a456-426614174000", true},
             {"123E4567-E89B-12D3-A456-426614174000", true},
             {"123e4567e89b12d3a456426614174000", false},
             {"123e4567-e89b-12d3-a456-42661417400", false},
             {"123e4567-e89b-12d3-a456-4266141740000", false},
             {"123e4567-e89b-12d3-a456_426614174000", false},
             {"g23e4567-e89b-12d3-a456-426614174000", false},
             {"", false},
         }) {
        EXPECT_EQ(Uuid::isWellFormed(c.text), c.wellFormed) << c.text;
    }
}

TEST(Uuid, ParsesEitherLetterCaseToTheSameBytes) {
    const auto lower = Uuid::parse("123e4567-e89b-12d3-a456-426614174000");
    const auto upper = Uuid::parse("123E4567-E89B-12D3-A456-426614174000");
    ASSERT_TRUE(lower && upper);
    EXPECT_EQ(lower->bytes(), upper->bytes());
    EXPECT_EQ(upper->lowercased(), "123e4567-e89b-12d3-a456-426614174000");
    EXPECT_EQ(lower->uppercased(), "123E4567-E89B-12D3-A456-426614174000");
    EXPECT_EQ(Uuid::parse(" 123e4567-e89b-12d3-a456-426614174000"), std::nullopt);
    EXPECT_EQ(Uuid::parse("123e4567e89b12d3a456426614174000"), std::nullopt);
}
