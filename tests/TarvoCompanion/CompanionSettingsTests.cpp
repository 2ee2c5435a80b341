#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoCompanion/CompanionSettings.h"

using tarvo::CompanionSettings;
using tarvo::Json;
using tarvo::MemorySettingsStore;

TEST(CompanionSettings, AStoredAddressCountsOnlyWhenItIsAnAbsoluteHttpAddress) {
    struct Case {
        std::optional<Json> stored;
        bool kept;
    };
    const Case cases[] = {
        {std::nullopt, false},
        {Json("https://staging.tarvo.app"), true},
        {Json("http://127.0.0.1:8080/base/"), true},
        {Json("HTTPS://user@[::1]:8443/api?x=1#top"), true},
        {Json("https://tarvo.app/a%20b"), true},
        {Json(""), false},
        {Json("not a url"), false},
        {Json("tarvo.app"), false},
        {Json("ftp://tarvo.app"), false},
        {Json("https://"), false},
        {Json("https:///path"), false},
        {Json("https://:443"), false},
        {Json("https://host:port"), false},
        {Json("https://[::1"), false},
        {Json(" https://tarvo.app"), false},
        {Json("https://tarvo.app/a b"), false},
        {Json("https://tarvo.app/%zz"), false},
        {Json("https://tarvo.app/\"quoted\""), false},
        {Json("https://tärvo.app"), false},
        {Json(42), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored->dump() : "absent");
        MemorySettingsStore defaults;
        defaults.set(c.stored, "TarvoBaseURL");
        defaults.set(c.stored, "TarvoApiURL");
        const auto settings = CompanionSettings::load(defaults);
        const std::string stored = c.stored && c.stored->is_string() ? c.stored->get<std::string>() : "";
        EXPECT_EQ(settings.baseURL, c.kept ? stored : "https://tarvo.app");
        EXPECT_EQ(settings.apiURL, c.kept ? stored : "https://api.tarvo.app");
    }
}

TEST(CompanionSettings, ChannelIdsAreTheStoredTextsAndCredentialsAreNeverLoaded) {
    MemorySettingsStore defaults({{"TarvoImessageChannelId", Json("chan-i")},
                                  {"TarvoWhatsappChannelId", Json("chan-w")},
                                  {"TarvoSmsChannelId", Json(7)}});
    const auto settings = CompanionSettings::load(defaults);
    EXPECT_EQ(settings.imessageChannelId, "chan-i");
    EXPECT_EQ(settings.smsChannelId, std::nullopt);
    EXPECT_EQ(settings.whatsappChannelId, "chan-w");
    EXPECT_EQ(settings.credentials, std::nullopt);
}
