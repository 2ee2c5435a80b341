#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TarvoCompanion/CompanionTest.h"
#include "TarvoCompanion/Brand.h"
#include "TarvoCompanion/Operator/OperatingSetupModel.h"

namespace tarvo::testing {
namespace {

class OperatingSetupModelTest : public CompanionTest {
protected:
    std::shared_ptr<ScriptedCompanion> companion = makeCompanion();
    OperatingSetupModel window{companion};

    static std::vector<std::string> ids(const OperatingSetupModel::PermissionRow& row) {
        std::vector<std::string> shown;
        for (const SetupButton& button : row.buttons) shown.push_back(button.id);
        return shown;
    }
};

TEST_F(OperatingSetupModelTest, WithoutAReadingEveryRowIsCheckingAndOffersItsSettingsAndARestart) {
    for (const auto& row : window.page().rows) {
        EXPECT_EQ(row.word, "Checking") << row.title;
        EXPECT_EQ(row.mark, "ellipsis");
        EXPECT_EQ(row.colour, Brand::faint());
        ASSERT_EQ(row.buttons.size(), 2u);
        EXPECT_EQ(row.buttons[0].title, "Open Settings");
        EXPECT_EQ(row.buttons[0].look, Brand::accentLook());
        EXPECT_EQ(row.buttons[1].title, "Restart Tarvo");
        EXPECT_EQ(row.buttons[1].look, Brand::plainLook());
        EXPECT_EQ(row.note, std::nullopt);
    }
}

TEST_F(OperatingSetupModelTest, EachRowFollowsItsOwnReading) {
    OperatorCaps caps;
    caps.accessibility = true;
    caps.postEvent = false;
    caps.screenRecording = false;
    caps.fullDiskAccess = true;
    permissions->read(caps);
    auto rows = window.page().rows;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].title, "Accessibility");
    EXPECT_EQ(rows[0].word, "On");
    EXPECT_EQ(rows[0].mark, "checkmark");
    EXPECT_EQ(rows[0].note, "Restart Tarvo to finish setting up.");
    EXPECT_EQ(ids(rows[0]), (std::vector<std::string>{"accessibility-restart"}));
    EXPECT_EQ(rows[1].word, "Off");
    EXPECT_EQ(rows[1].mark, "xmark");
    EXPECT_EQ(rows[1].colour, Brand::danger());
    EXPECT_EQ(ids(rows[1]), (std::vector<std::string>{"screen-recording-settings", "screen-recording-restart"}));
    EXPECT_TRUE(rows[2].buttons.empty()) << "granted and no restart needed: no second line";

    caps.postEvent = true;
    permissions->read(caps);
    rows = window.page().rows;
    EXPECT_TRUE(rows[0].buttons.empty());
    EXPECT_EQ(rows[0].note, std::nullopt);
    EXPECT_EQ(rows[0].colour, Brand::success());
}

TEST_F(OperatingSetupModelTest, TheSwitchesSayTheirStateAndPressesGoThroughThePermissions) {
    EXPECT_EQ(window.page().operate.line, "Off. Tarvo will not touch this Mac.");
    EXPECT_EQ(window.press("operate"), PressOutcome::done());
    EXPECT_TRUE(permissions->allowed());
    EXPECT_EQ(window.page().operate.line, "On. Tarvo can work on this Mac when you ask.");
    EXPECT_EQ(window.press("keep-awake"), PressOutcome::done());
    EXPECT_TRUE(permissions->keepAwake());

    EXPECT_EQ(window.page().screenRecordingNote, std::nullopt);
    permissions->screenRecordingNeedsClick = true;
    EXPECT_EQ(window.page().screenRecordingNote,
              "macOS is asking on this Mac whether Tarvo may keep seeing the screen. Click Allow.");

    EXPECT_EQ(window.press("screen-recording-settings"), PressOutcome::done());
    EXPECT_EQ(window.press("full-disk-access-settings"), PressOutcome::done());
    EXPECT_EQ(permissions->settingOpenedAt, std::nullopt) << "only the tarvo://settings link marks the return";
    EXPECT_EQ(window.press("nothing").kind, PressOutcome::Kind::unknown);
}

TEST_F(OperatingSetupModelTest, TwoShowsMakeOneWindowAndTwoReadings) {
    EXPECT_FALSE(window.exists());
    window.show();
    window.close();
    window.show();
    settle();
    EXPECT_TRUE(window.exists());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.timesFronted(), 2);
    EXPECT_EQ(permissions->refreshes(), 2);
}

} // namespace
} // namespace tarvo::testing
