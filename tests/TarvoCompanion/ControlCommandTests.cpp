#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "MenuTest.h"
#include "TarvoCompanion/ControlCommand.h"

namespace tarvo::testing {
namespace {

class ControlCommandTest : public MenuTest {
protected:
    ControlCommand command() {
        auto menu = std::make_shared<MenuModel>(MenuModel::Sources{.companion = companion,
                                                                   .safari = safari,
                                                                   .updater = nullptr,
                                                                   .stopKeysSpoken = "Control-Alt-Super-period",
                                                                   .showOperatingSetup = nullptr});
        return ControlCommand({.menu = menu,
                               .operating = operating,
                               .setup = std::make_shared<SetupModel>(companion, safari, nullptr),
                               .companion = companion,
                               .activate = [this] { ++activations; }});
    }

    std::shared_ptr<OperatingSetupModel> operating = std::make_shared<OperatingSetupModel>(companion);
    int activations = 0;
};

TEST_F(ControlCommandTest, TheMenuPrintsEachItemWithItsIdAndMarksAndIsNoActivation) {
    signIn();
    linkWhatsApp();
    permissions->setAllowed(true);
    const ControlCommand::Answer answer = command().answer({"menu"});
    EXPECT_EQ(answer.status, 0);
    EXPECT_TRUE(answer.text.starts_with("Tarvo menu — icon: ready (bubble.left.and.bubble.right.fill)\n"))
        << answer.text;
    EXPECT_NE(answer.text.find("  whatsapp                   WhatsApp is linked  (disabled)\n"), std::string::npos)
        << answer.text;
    EXPECT_NE(answer.text.find("  operate                    [x] Allow Tarvo to operate this Mac\n"), std::string::npos)
        << answer.text;
    EXPECT_EQ(activations, 0);
}

TEST_F(ControlCommandTest, APressOfAnUnknownOrDisabledItemIsRefusedWithItsReason) {
    signIn();
    linkWhatsApp();
    EXPECT_EQ(command().answer({"press", "whatsapp"}),
              (ControlCommand::Answer{2, "\"WhatsApp is linked\" cannot be chosen now.\n"}));
    EXPECT_EQ(command().answer({"press", "nope"}).status, 2);
    EXPECT_EQ(command().answer({"press"}).status, 2);
    const ControlCommand::Answer on = command().answer({"press", "operate"});
    EXPECT_EQ(on.status, 0);
    EXPECT_TRUE(permissions->allowed());
}

TEST_F(ControlCommandTest, ASetupPageIsShownAsAnActivationAndAFailedCopySaysWhy) {
    FakeService service;
    startPairing(service);
    ControlCommand control = command();
    const ControlCommand::Answer page = control.answer({"setup"});
    EXPECT_EQ(page.status, 0);
    EXPECT_NE(page.text.find("     code: WXYZ-1234\n"), std::string::npos) << page.text;
    EXPECT_NE(page.text.find("  copy                       (Copy)\n"), std::string::npos) << page.text;
    EXPECT_EQ(activations, 1);
    ASSERT_NE(companion->setupWindow(), nullptr);
    EXPECT_TRUE(companion->setupWindow()->isVisible());

    const ControlCommand::Answer copied = control.answer({"setup", "press", "copy"});
    EXPECT_EQ(copied.status, 1);
    EXPECT_TRUE(copied.text.starts_with("This computer has no clipboard to copy to. The code is WXYZ-1234.\n"));

    const ControlCommand::Answer operate = control.answer({"operate"});
    EXPECT_EQ(operate.status, 0);
    EXPECT_NE(operate.text.find("  ellipsis Accessibility: Checking\n"), std::string::npos) << operate.text;
    EXPECT_TRUE(operating->isVisible());
    EXPECT_EQ(activations, 3) << "each setup page shown, pressed or not";
}

} // namespace
} // namespace tarvo::testing
