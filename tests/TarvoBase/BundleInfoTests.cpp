#include <fstream>

#include <gtest/gtest.h>

#include "Support/TemporaryFolder.h"
#include "TarvoBase/BundleInfo.h"

using tarvo::BundleInfo;

namespace {

BundleInfo readText(const tarvo::testing::TemporaryFolder& folder, const std::string& text) {
    const auto file = folder / "bundle-info.json";
    std::ofstream(file) << text;
    return BundleInfo::read(file);
}

} // namespace

TEST(BundleInfo, AValueCountsOnlyWhenItIsAString) {
    tarvo::testing::TemporaryFolder folder;
    const BundleInfo info = readText(folder, R"({"CFBundleShortVersionString": "0.1.0", "CFBundleVersion": 114,
                                                 "SUFeedURL": "", "SUPublicEDKey": null, "nested": {"a": "b"}})");
    EXPECT_EQ(info.string(BundleInfo::shortVersionKey), "0.1.0");
    EXPECT_EQ(info.string(BundleInfo::versionKey), std::nullopt) << "a number is not a string";
    EXPECT_EQ(info.string(BundleInfo::feedURLKey), "");
    EXPECT_EQ(info.string(BundleInfo::publicEDKeyKey), std::nullopt);
    EXPECT_EQ(info.string("nested"), std::nullopt);
    EXPECT_EQ(info.string("absent"), std::nullopt);
}

TEST(BundleInfo, AMissingOrBrokenFileHoldsNothing) {
    tarvo::testing::TemporaryFolder folder;
    EXPECT_EQ(BundleInfo::read(folder / "absent.json").string(BundleInfo::versionKey), std::nullopt);
    for (const std::string text : {"", "not json", R"(["CFBundleVersion", "1"])", R"({"CFBundleVersion": "1")",
                                   "{\"CFBundleVersion\": \"\xFF\"}"}) {
        EXPECT_EQ(readText(folder, text).string(BundleInfo::versionKey), std::nullopt) << text;
    }
}
