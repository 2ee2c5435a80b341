#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "Support/CapturedTarvoLog.h"
#include "Support/LoopWithFakeClock.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/OneShotResult.h"
#include "TarvoCompanion/SafariMenuItem.h"
#include "TarvoCompanion/SafariStatus.h"

namespace tarvo::testing {
namespace {

namespace fs = std::filesystem;

class SafariStatusTest : public ::testing::Test, public LoopWithFakeClock {
protected:
    // A browser that counts its asks and answers what the test says.
    SafariSwitch::AskBrowser browser(std::optional<bool> answer) {
        return [this, answer]() -> Task<std::optional<bool>> {
            ++asks;
            co_return answer;
        };
    }

    fs::path handler() {
        const fs::path path = folder / "tarvo-safari";
        std::ofstream(path) << "#!/bin/sh\n";
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }

    TemporaryFolder folder;
    int asks = 0;
};

TEST_F(SafariStatusTest, WithoutTheHandlerItIsHiddenOnEveryActivationAndTheBrowserIsNeverAsked) {
    for (const auto& named : {std::optional<fs::path>(), std::optional<fs::path>(folder / "missing")}) {
        const auto status = SafariStatus::make(SafariSwitch(named, browser(true)));
        EXPECT_EQ(status->setup(), SafariSetup::hidden);
        loop.runReady();
        status->activated();
        status->activated();
        loop.runReady();
        EXPECT_EQ(status->setup(), SafariSetup::hidden);
    }
    std::ofstream(folder / "not-executable") << "data";
    fs::permissions(folder / "not-executable", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(SafariSwitch(folder / "not-executable", nullptr).isEmbedded());
    EXPECT_EQ(asks, 0);
}

TEST_F(SafariStatusTest, ACarriedHandlerIsOfferedUntilTheBrowserSaysItIsOn) {
    const auto silent = SafariStatus::make(SafariSwitch(handler(), nullptr));
    EXPECT_EQ(silent->setup(), SafariSetup::offer);
    loop.runReady();
    EXPECT_EQ(silent->setup(), SafariSetup::offer) << "no browser here answers";

    const auto status = SafariStatus::make(SafariSwitch(handler(), browser(true)));
    EXPECT_EQ(status->setup(), SafariSetup::offer) << "before the browser answered";
    loop.runReady();
    EXPECT_EQ(status->setup(), SafariSetup::on);
    status->activated();
    loop.runReady();
    EXPECT_EQ(asks, 2);
}

TEST_F(SafariStatusTest, TheLastRefreshToFinishWins) {
    const auto slow = std::make_shared<OneShotResult<std::optional<bool>>>();
    int call = 0;
    const auto status = SafariStatus::make(SafariSwitch(handler(), [&call, slow]() -> Task<std::optional<bool>> {
        if (call++ == 0) co_return co_await *slow;
        co_return false;
    }));
    loop.runReady();
    status->refresh();
    loop.runReady();
    EXPECT_EQ(status->setup(), SafariSetup::offer);
    slow->succeed(true);
    loop.runReady();
    EXPECT_EQ(status->setup(), SafariSetup::on) << "the first refresh ended last";
}

TEST_F(SafariStatusTest, TheMenuItemAndTheSettingsLine) {
    EXPECT_TRUE(SafariMenuItem::items(SafariSetup::hidden).empty());
    EXPECT_EQ(SafariMenuItem::items(SafariSetup::on),
              (std::vector<MenuItem>{MenuItem::divider(), MenuItem::button("safari", "Tarvo is on in Safari")}));
    EXPECT_EQ(SafariMenuItem::items(SafariSetup::offer).at(1).title, "Turn on Tarvo in Safari");

    const CapturedTarvoLog log;
    SafariSwitch(handler(), nullptr).showInSafari();
    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].category, "safari");
    EXPECT_EQ(entries[0].text(), "this computer has no Safari to show the extension's settings in");
}

} // namespace
} // namespace tarvo::testing
