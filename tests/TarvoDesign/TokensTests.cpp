#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoDesign/Tokens/AnimationSpec.h"
#include "TarvoDesign/Tokens/TarvoChannelColour.h"
#include "TarvoDesign/Tokens/TarvoGlass.h"
#include "TarvoDesign/Tokens/TarvoPalette.h"

namespace tarvo {
namespace {

using Expected = std::vector<std::pair<const TarvoColour*, std::string>>;

// Each stored colour against the hex form its table prints beside it.
TEST(Tokens, TheHexOfEveryColourIsTheOneItsTableShows) {
    const auto& d = TarvoPalette::dark;
    const auto& l = TarvoPalette::light;
    const auto& gd = TarvoGlass::dark;
    const auto& gl = TarvoGlass::light;
    const Expected palettes = {
        {&d.bg, "#0F0D0C"}, {&d.surface, "#1E1C1B"}, {&d.surfaceRaised, "#282624"}, {&d.line, "#403A33"},
        {&d.ink, "#F8F5F0"}, {&d.soft, "#ADA69C"}, {&d.faint, "#958E85"}, {&d.accent, "#FC7120"},
        {&d.accentInk, "#FFB27C"}, {&d.onAccent, "#1A0A01"}, {&d.success, "#82D6A4"}, {&d.danger, "#F0A08C"},
        {&l.bg, "#FAF8F4"}, {&l.surface, "#FCFBF9"}, {&l.surfaceRaised, "#FDFCFB"}, {&l.line, "#DCD6CC"},
        {&l.ink, "#191713"}, {&l.soft, "#5E574E"}, {&l.faint, "#787167"}, {&l.accent, "#FC7120"},
        {&l.accentInk, "#BE5109"}, {&l.onAccent, "#FFFFFF"}, {&l.success, "#2F6B45"}, {&l.danger, "#A33B25"},
        {&gd.fill, "#FFFFFF"}, {&gd.fillMedium, "#FFFFFF"}, {&gd.fillStrong, "#FFFFFF"}, {&gd.fillFlat, "#1E1C1B"},
        {&gd.sheen, "#FFFFFF"}, {&gd.rimStrong, "#FFFFFF"}, {&gd.rimSoft, "#FFFFFF"},
        {&gd.rimAccentStrong, "#FC7120"}, {&gd.rimAccentSoft, "#FC7120"}, {&gd.hair, "#F8F5F0"},
        {&gd.skeleton, "#F8F5F0"}, {&gd.accentSoft, "#FC7120"}, {&gd.accentLine, "#FC7120"},
        {&gl.fill, "#FFFFFF"}, {&gl.fillMedium, "#FFFFFF"}, {&gl.fillStrong, "#FFFFFF"}, {&gl.fillFlat, "#FCFBF9"},
        {&gl.sheen, "#FFFFFF"}, {&gl.rimStrong, "#FFFFFF"}, {&gl.rimSoft, "#FFFFFF"},
        {&gl.rimAccentStrong, "#FC7120"}, {&gl.rimAccentSoft, "#FC7120"}, {&gl.hair, "#191713"},
        {&gl.skeleton, "#191713"}, {&gl.accentSoft, "#FC7120"}, {&gl.accentLine, "#FC7120"},
    };
    for (const auto& [colour, hex] : palettes) EXPECT_EQ(colour->hex(), hex);

    const std::vector<std::pair<std::string, std::string>> channels = {
        {"gmail", "#EA4335"}, {"outlook", "#2B88D8"}, {"slack", "#36C5F0"}, {"teams", "#8B8CC7"},
        {"whatsapp-business", "#25D366"}, {"calendar", "#4285F4"}, {"imessage", "#34DA50"}, {"sms", "#1A73E8"},
        {"whatsapp", "#25D366"}, {"linkedin", "#3F92DC"}, {"telegram", "#26A5E4"}, {"signal", "#5A63FF"},
        {"instagram", "#FF0069"}, {"x", "#E7E3DC"}, {"reddit", "#FF4500"}, {"instagram-business", "#FF0069"},
        {"messenger-business", "#0866FF"}, {"tiktok-business", "#E7E3DC"}, {"messenger", "#0866FF"},
        {"tiktok", "#E7E3DC"},
    };
    ASSERT_EQ(TarvoChannelColour::dark.size(), channels.size());
    for (const auto& [key, hex] : channels) EXPECT_EQ(TarvoChannelColour::dark.at(key).hex(), hex) << key;
}

TEST(Tokens, HexRoundsHalvesAwayFromZeroAndLeavesAlphaOut) {
    EXPECT_EQ((TarvoColour{0, 0, 0, 0.5}).hex(), "#000000");
    // 0.058824 × 255 = 15.00012, and 0.5 / 255 lies right on a half.
    EXPECT_EQ((TarvoColour{0.058824, 0.5 / 255, 1.5 / 255, 1}).hex(), "#0F0102");
    EXPECT_EQ((TarvoColour{1.2, 0, 0, 1}).hex(), "#1320000");
    EXPECT_EQ(TarvoPalette::light.accent, TarvoPalette::dark.accent);
    EXPECT_NE(TarvoPalette::light, TarvoPalette::dark);
    EXPECT_EQ(std::hash<TarvoColour>{}(TarvoPalette::light.accent), std::hash<TarvoColour>{}(TarvoPalette::dark.accent));
}

TEST(Tokens, TheLightChannelMapIsTheDarkOneWithSixColoursReplaced) {
    const auto& dark = TarvoChannelColour::dark;
    const auto& light = TarvoChannelColour::light;
    ASSERT_EQ(light.size(), dark.size());
    std::vector<std::string> replaced;
    for (const auto& [key, colour] : dark) {
        if (light.at(key) != colour) replaced.push_back(key + " " + light.at(key).hex());
    }
    EXPECT_EQ(replaced, (std::vector<std::string>{"linkedin #3B89CF", "slack #2790AF", "teams #7E7FB5",
                                                  "tiktok #000000", "tiktok-business #000000", "x #000000"}));
}

TEST(Tokens, AChannelsColourIsFoundByItsExactKeyAndByTheCataloguesSpelling) {
    struct Case {
        std::string key;
        bool light;
        std::optional<std::string> hex;
    };
    const std::vector<Case> cases = {
        {"x", false, "#E7E3DC"},
        {"x", true, "#000000"},
        {"gmail", false, "#EA4335"},
        {"gmail", true, "#EA4335"},
        {"Gmail", false, std::nullopt},
        {"fax", true, std::nullopt},
        {"", false, std::nullopt},
        {"whatsapp_business", false, "#25D366"},
        {"tiktok_business", true, "#000000"},
        {"messenger_business", true, "#0866FF"},
    };
    for (const auto& c : cases) {
        const auto colour = TarvoChannelColour::named(c.key, c.light);
        EXPECT_EQ(colour ? std::optional(colour->hex()) : std::nullopt, c.hex) << c.key << (c.light ? " light" : "");
    }
}

TEST(Tokens, ReduceMotionTurnsEveryAnimationIntoAShortEaseOut) {
    using Kind = AnimationSpec::Kind;
    const auto& leave = TarvoMotion::Curve::leave;
    EXPECT_EQ(AnimationSpec::trv(leave, 0.38, true), (AnimationSpec{.kind = Kind::easeOut, .duration = 0.14}));
    EXPECT_EQ(AnimationSpec::trv(leave, 0.09, true), (AnimationSpec{.kind = Kind::easeOut, .duration = 0.09}));
    EXPECT_EQ(AnimationSpec::trv(leave, 0.38, false),
              (AnimationSpec{.kind = Kind::timingCurve, .duration = 0.38, .curve = {0.4, 0.0, 1.0, 1.0}}));
    EXPECT_EQ(AnimationSpec::trv(TarvoMotion::Spring::snappy, true),
              (AnimationSpec{.kind = Kind::easeOut, .duration = 0.14}));
    EXPECT_EQ(AnimationSpec::trv(TarvoMotion::Spring::snappy, false),
              (AnimationSpec{.kind = Kind::spring, .duration = 0.28, .dampingFraction = 0.9}));
}

} // namespace
} // namespace tarvo
