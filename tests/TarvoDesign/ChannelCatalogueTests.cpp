#include <set>
#include <string>

#include <gtest/gtest.h>

#include "TarvoDesign/Channels/TarvoChannelAttachments.h"
#include "TarvoDesign/Channels/TarvoChannelCatalogue.h"
#include "TarvoDesign/Channels/TarvoChannelHandoff.h"
#include "TarvoDesign/Channels/TarvoChannelMark.h"
#include "TarvoDesign/Channels/TarvoChannelName.h"
#include "TarvoDesign/Channels/TarvoChannelReach.h"
#include "TarvoDesign/Channels/TarvoRecallWindows.h"
#include "TarvoDesign/Channels/TarvoSettingsChannels.h"
#include "TarvoDesign/Channels/TarvoVoiceFamilies.h"

using namespace tarvo;

TEST(ChannelCatalogue, EveryTableCoversTheSameTwentyOneKinds) {
    const auto& kinds = TarvoChannelCatalogue::kinds();
    EXPECT_EQ(kinds.front(), "custom");
    EXPECT_EQ(kinds.back(), "tiktok");
    EXPECT_EQ(std::set<std::string_view>(kinds.begin(), kinds.end()).size(), 21u);
    EXPECT_EQ(TarvoChannelName::labels().size(), 21u);
    EXPECT_EQ(TarvoChannelCatalogue::all().size(), 21u);
    EXPECT_EQ(TarvoChannelReach::all().size(), 21u);
    EXPECT_EQ(TarvoChannelAttachments::all().size(), 21u);
    for (std::string_view kind : kinds) {
        const auto facts = TarvoChannelCatalogue::facts(kind);
        const auto reach = TarvoChannelReach::of(kind);
        ASSERT_TRUE(facts && reach) << kind;
        EXPECT_EQ(facts->isDevice, reach->isDevice) << kind;
        EXPECT_TRUE(facts->consumesSlot) << kind;
        EXPECT_EQ(facts->label, TarvoChannelName::label(kind));
        const ChannelAttachments& attachments = TarvoChannelAttachments::all().at(std::string(kind));
        EXPECT_EQ(attachments.canAttach, !attachments.cannotLine.has_value()) << kind;
        EXPECT_EQ(attachments.canAttach, attachments.maxBytes > 0) << kind;
    }
}

TEST(ChannelCatalogue, LookupsMatchKindsExactly) {
    EXPECT_EQ(TarvoChannelName::label("gmail"), "Gmail");
    EXPECT_EQ(TarvoChannelName::label("Gmail"), "Gmail");
    EXPECT_EQ(TarvoChannelName::label("GMAIL"), "GMAIL") << "an unknown kind is given back unchanged";
    EXPECT_EQ(TarvoChannelName::label("outlook_calendar"), "outlook_calendar");
    EXPECT_EQ(TarvoChannelName::label("messenger_business"), "Messenger (Page)");

    EXPECT_FALSE(TarvoChannelAttachments::canAttach("teams"));
    EXPECT_EQ(TarvoChannelAttachments::cannotLine("teams"),
              "Teams replies go out as text from here. Send the file in Teams yourself.");
    EXPECT_EQ(TarvoChannelAttachments::cannotLine("gmail"), std::nullopt);
    EXPECT_FALSE(TarvoChannelAttachments::canAttach("nowhere"));
    EXPECT_EQ(TarvoChannelAttachments::cannotLine("nowhere"), std::nullopt);
    EXPECT_EQ(TarvoChannelAttachments::all().at("sms").maxBytes, 1000000);
    EXPECT_EQ(TarvoChannelAttachments::all().at("imessage").maxBytes, 26214400);
    EXPECT_EQ(TarvoChannelAttachments::cannotLine("x"), TarvoChannelAttachments::cannotLine("reddit"));

    EXPECT_EQ(TarvoChannelCatalogue::facts("outlook_calendar"), std::nullopt);
    EXPECT_EQ(TarvoChannelReach::of("outlook_calendar"), std::nullopt);
    EXPECT_TRUE(TarvoChannelMark::files().contains("outlook_calendar"));

    EXPECT_EQ(TarvoChannelHandoff::openLabel("whatsapp"), std::nullopt);
    EXPECT_TRUE(TarvoChannelHandoff::has("linkedin"));
    EXPECT_EQ(TarvoChannelHandoff::openLabel("linkedin"), "Open LinkedIn");
}

TEST(ChannelCatalogue, TheCompanionServesWhatThePhoneCannot) {
    for (const auto& [kind, reach] : TarvoChannelReach::all()) {
        std::optional<std::string> expected;
        if (kind == "imessage" || kind == "sms" || kind == "whatsapp") expected = "mac";
        if (kind == "linkedin") expected = "extension";
        EXPECT_EQ(reach.companion(), expected) << kind;
    }
    EXPECT_FALSE(TarvoChannelReach::of("imessage")->connectableHere());
    EXPECT_TRUE(TarvoChannelReach::of("telegram")->connectableHere());

    // The order of the rule: the Mac before the extension before Android, "assist" serving too.
    EXPECT_EQ((ChannelReach{"none", "none", "none", "assist", true}.companion()), "android");
    EXPECT_EQ((ChannelReach{"none", "assist", "full", "full", true}.companion()), "mac");
    EXPECT_EQ((ChannelReach{"full", "full", "full", "full", false}.companion()), std::nullopt);
    EXPECT_EQ((ChannelReach{"assist", "none", "none", "none", true}.companion()), std::nullopt);
    EXPECT_FALSE((ChannelReach{"assist", "none", "none", "none", true}.connectableHere()));
}

TEST(ChannelCatalogue, KindsOfOneServiceShareOneMarkAndTheSettingsRowsCarryIt) {
    const auto& files = TarvoChannelMark::files();
    EXPECT_EQ(files.size(), 18u);
    for (const auto& [one, other] : std::initializer_list<std::pair<const char*, const char*>>{
             {"instagram", "instagram_business"},
             {"messenger", "messenger_business"},
             {"tiktok", "tiktok_business"},
             {"whatsapp", "whatsapp_business"},
             {"outlook", "outlook_calendar"},
             {"imessage", "sms"},
         }) {
        EXPECT_EQ(files.at(one), files.at(other)) << one;
    }
    for (const SettingsChannelRow& row : TarvoSettingsChannels::rows()) {
        EXPECT_EQ(row.mark, TarvoChannelMark::file(row.id)) << row.id;
    }
}

TEST(ChannelCatalogue, SettingsRowsVoicesAndRecallWindows) {
    const auto& rows = TarvoSettingsChannels::rows();
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows.front().id, "gmail");
    EXPECT_EQ(rows.back().id, "tiktok");
    for (const SettingsChannelRow& row : rows) {
        EXPECT_FALSE(row.free) << row.id;
        EXPECT_NE(row.device, row.connector) << row.id;
        EXPECT_EQ(row.via.has_value(), row.device) << row.id;
    }
    const SettingsChannelRow& outlookCalendar = rows[5];
    EXPECT_EQ(outlookCalendar.id, "outlook_calendar");
    EXPECT_EQ(outlookCalendar.kind, "calendar");
    EXPECT_EQ(outlookCalendar.calendarProvider, "microsoft");
    EXPECT_EQ(rows[10].label, "iMessage & SMS");
    EXPECT_EQ(rows[10].via, "the Mac companion");
    std::size_t offered = 0;
    for (const SettingsChannelRow& row : rows) offered += row.offeredOnly ? 1 : 0;
    EXPECT_EQ(offered, 6u);

    const auto& families = TarvoVoiceFamilies::all();
    ASSERT_EQ(families.size(), 15u);
    std::set<std::string> grouped;
    for (const VoiceFamily& family : families) {
        if (family.kinds.size() > 1) grouped.insert(family.id);
        for (const std::string& kind : family.kinds) EXPECT_TRUE(TarvoChannelCatalogue::facts(kind)) << kind;
    }
    EXPECT_EQ(grouped, (std::set<std::string>{"email", "slack"}));
    EXPECT_EQ(families[1].register_, "work_casual");

    const auto& windows = TarvoRecallWindows::all();
    ASSERT_EQ(windows.size(), 5u);
    EXPECT_EQ(windows.front().seconds, 0);
    EXPECT_EQ(windows.front().label, "Immediately");
    for (std::size_t index = 1; index < windows.size(); ++index) {
        EXPECT_LT(windows[index - 1].seconds, windows[index].seconds);
    }
    EXPECT_EQ(windows.back().label, "2 minutes");
}
