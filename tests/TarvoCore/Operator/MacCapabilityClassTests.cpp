#include <gtest/gtest.h>

#include "TarvoCore/Operator/MacCapabilityClass.h"

using tarvo::MacCapabilityClass;

TEST(MacCapabilityClass, ParsesExactlyItsOwnTextsInCaseOrder) {
    std::vector<std::string_view> texts;
    for (const MacCapabilityClass klass : tarvo::allMacCapabilityClasses) {
        texts.push_back(tarvo::rawValue(klass));
        EXPECT_EQ(tarvo::macCapabilityClass(tarvo::rawValue(klass)), klass);
    }
    EXPECT_EQ(texts, (std::vector<std::string_view>{"files", "screen", "act", "consequential"}));
    EXPECT_EQ(tarvo::macCapabilityClass("Files"), std::nullopt);
    EXPECT_EQ(tarvo::macCapabilityClass(""), std::nullopt);
    EXPECT_EQ(tarvo::macCapabilityClass("files "), std::nullopt);
}
