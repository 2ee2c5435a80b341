#include <gtest/gtest.h>

#include "Support/FakeSystemCalls.h"
#include "TarvoCore/Operator/MacHardware.h"
#include "TarvoCore/Operator/MacIdentityWire.h"
#include "TarvoCore/Operator/MacKind.h"

using namespace tarvo;
using tarvo::testing::FakeSystemCalls;
using Text = std::optional<std::string>;

TEST(MacKind, RawValuesAndLaptops) {
    struct Case {
        MacKind kind;
        std::string_view raw;
        bool laptop;
    };
    const Case cases[] = {
        {MacKind::macMini, "mac_mini", false},      {MacKind::macStudio, "mac_studio", false},
        {MacKind::macPro, "mac_pro", false},        {MacKind::iMac, "imac", false},
        {MacKind::macBookPro, "macbook_pro", true}, {MacKind::macBookAir, "macbook_air", true},
        {MacKind::macBook, "macbook", true},
    };
    ASSERT_EQ(std::size(cases), MacKind::allCases.size());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(MacKind::allCases[i], cases[i].kind);
        EXPECT_EQ(cases[i].kind.rawValue(), cases[i].raw);
        EXPECT_EQ(cases[i].kind.isLaptop(), cases[i].laptop) << cases[i].raw;
    }
}

TEST(MacKind, FromTheNameFirstThenTheIdentifierWithADigitAfterItsPrefix) {
    struct Case {
        Text name;
        Text identifier;
        std::optional<MacKind> expected;
    };
    const Case cases[] = {
        {"MacBook Air (M2, 2022)", {}, MacKind::macBookAir},
        {"macbook PRO", {}, MacKind::macBookPro},
        {" \n Mac mini (2023)", {}, MacKind::macMini},
        {"Mac Studio", {}, MacKind::macStudio},
        {"Mac Pro (2019)", {}, MacKind::macPro},
        {"iMac (24-inch, M1)", {}, MacKind::iMac},
        {"MacBook (Retina, 12-inch)", {}, MacKind::macBook},
        {"Mac mini\u0301", {}, std::nullopt},
        {{}, "Mac14,2", std::nullopt},
        {{}, "iMacPro1,1", MacKind::iMac},
        {{}, "iMac21,1", MacKind::iMac},
        {{}, "Macmini9,1", MacKind::macMini},
        {{}, "MacStudio1,1", MacKind::macStudio},
        {{}, "MacPro7,1", MacKind::macPro},
        {{}, "MacBookPro18,3", MacKind::macBookPro},
        {{}, "MacBookAir10,1", MacKind::macBookAir},
        {{}, "MacBook10,1", MacKind::macBook},
        {{}, "MacBookPro", std::nullopt},
        {{}, "MacBookProX", std::nullopt},
        {{}, "macbookpro18,3", std::nullopt},
        {"ThinkPad X1 Carbon", "MacBookPro11,1", MacKind::macBookPro},
        {" \t", " Macmini9,1 ", MacKind::macMini},
        {"", "", std::nullopt},
        {{}, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MacKind::from(c.name, c.identifier), c.expected)
            << c.name.value_or("(none)") << " / " << c.identifier.value_or("(none)");
    }
}

TEST(MacHardware, ReadCleansEachTextAndDerivesTheKind) {
    const std::string letters120(120, 'x');
    const std::string emoji120 = std::string(119, 'a') + "\U0001F44D\U0001F3FD";
    struct Case {
        FakeSystemCalls readings;
        MacHardware expected;
    };
    const Case cases[] = {
        {{"MacBookPro18,3\n", std::string("MacBook Pro (14-inch, 2021)\0", 28), true},
         {"MacBookPro18,3", "MacBook Pro (14-inch, 2021)", MacKind::macBookPro, true}},
        {{std::string(" \0 \n", 4), std::string("\0", 1), std::nullopt}, {}},
        {{"", "  ", false}, {{}, {}, {}, false}},
        {{{}, std::string("Mac\0 mini", 9), {}}, {{}, "Mac mini", MacKind::macMini, {}}},
        {{{}, letters120 + "y", {}}, {{}, letters120, {}, {}}},
        {{emoji120 + "b", {}, {}}, {emoji120, {}, {}, {}}},
        {{"Mac14,2", {}, {}}, {"Mac14,2", {}, {}, {}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MacHardware::read(c.readings), c.expected) << c.readings.name.value_or("(none)");
    }
}

TEST(MacHardware, IsLaptopByKindElseByBattery) {
    struct Case {
        std::optional<MacKind> kind;
        std::optional<bool> battery;
        std::optional<bool> expected;
    };
    const Case cases[] = {
        {MacKind::macMini, true, false},
        {MacKind::macBookAir, false, true},
        {{}, true, true},
        {{}, false, false},
        {{}, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ((MacHardware{{}, {}, c.kind, c.battery}.isLaptop()), c.expected);
    }
}

TEST(MacIdentityWire, SendsTheInstallIdAlwaysAndEachHardwareFieldOnlyWhenKnown) {
    const std::string id = "0f8fad5b-d9cb-469f-a165-70867728950e";
    struct Case {
        MacHardware hardware;
        const char* expected;
    };
    const Case cases[] = {
        {{"Mac14,2", "MacBook Air (M2, 2022)", MacKind::macBookAir, true},
         R"j({"installId":"0f8fad5b-d9cb-469f-a165-70867728950e","hardwareModel":"Mac14,2","modelName":"MacBook Air (M2, 2022)","kind":"macbook_air"})j"},
        {{{}, "Mac mini", MacKind::macMini, false},
         R"j({"installId":"0f8fad5b-d9cb-469f-a165-70867728950e","modelName":"Mac mini","kind":"mac_mini"})j"},
        {{"Mac14,2", {}, MacKind::iMac, {}},
         R"j({"installId":"0f8fad5b-d9cb-469f-a165-70867728950e","hardwareModel":"Mac14,2","kind":"imac"})j"},
        {{"Mac14,2", "Something", {}, true},
         R"j({"installId":"0f8fad5b-d9cb-469f-a165-70867728950e","hardwareModel":"Mac14,2","modelName":"Something"})j"},
        {{}, R"j({"installId":"0f8fad5b-d9cb-469f-a165-70867728950e"})j"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MacIdentityWire::fields(id, c.hardware).dump(), c.expected);
    }
}
