#include <gtest/gtest.h>

#include "TarvoCore/Operator/CapturedPicture.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"
#include "TarvoCore/Operator/RunningApp.h"

using tarvo::CapturedPicture;
using tarvo::OperatorPortFailure;
using tarvo::RunningApp;

TEST(OperatorPortValues, CompareByEveryField) {
    const RunningApp shown{"Mail", "com.apple.mail", 301, true, false, {"Inbox"}};
    RunningApp hidden = shown;
    hidden.hidden = true;
    EXPECT_EQ(shown, RunningApp(shown));
    EXPECT_NE(shown, hidden);

    const CapturedPicture picture{"jpeg", 320, 200, {"Mail"}, std::nullopt, std::nullopt, std::nullopt};
    CapturedPicture withScreen = picture;
    withScreen.screenJPEG = "";
    EXPECT_NE(picture, withScreen) << "an empty screen image is not a missing one";

    EXPECT_EQ(OperatorPortFailure("That app is not open."), OperatorPortFailure("That app is not open."));
    EXPECT_NE(OperatorPortFailure("That app is not open."), OperatorPortFailure("That app quit."));
    EXPECT_STREQ(OperatorPortFailure("That app quit.").what(), "That app quit.");
}
