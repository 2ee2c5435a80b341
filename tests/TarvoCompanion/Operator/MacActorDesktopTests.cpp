#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "Support/RunningProgram.h"
#include "TarvoCompanion/Operator/OperatedAppTest.h"

namespace tarvo {
namespace {

using testing::OperatedAppTest;
using testing::RunningProgram;

constexpr auto frontLimit = std::chrono::seconds(20);

class MacActorDesktopTests : public OperatedAppTest {
protected:
    // A key only the app's window takes, so that once its line is out, every input sent before
    // it has reached the app too: X delivers input in order.
    void sendMarker() {
        ASSERT_EQ(outcome([&] { return actor->key("m", {"command"}, operated); }), "done");
        ASSERT_TRUE(app().waitFor("key control+m\n")) << app().output();
    }

    // Another app's window is made the active one.
    std::unique_ptr<RunningProgram> otherInFront() {
        auto other = std::make_unique<RunningProgram>(TARVO_OPERATED_APP, std::vector<std::string>{"--title", "Other"},
                                                      std::map<std::string, std::string>{});
        EXPECT_TRUE(other->waitFor("ready ")) << other->output();
        XTestInput probe(X11Display::open());
        const auto deadline = std::chrono::steady_clock::now() + frontLimit;
        while (probe.frontPid() != other->pid() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(probe.frontPid(), other->pid());
        return other;
    }
};

TEST_F(MacActorDesktopTests, APressOfAnIdOfTheLatestReadRunsTheButtonAndAnEarlierIdPressesNothing) {
    const std::string earlier = idOf(firstRead(1), "AXButton", "Send");
    const std::string latest = idOf(read(2), "AXButton", "Send");
    EXPECT_EQ(outcome([&] { return actor->press(earlier, operated); }),
              "That control is from an older read of Operated, so nothing was pressed. Read it again first.");
    ASSERT_EQ(outcome([&] { return actor->press(latest, operated); }), "done");
    ASSERT_TRUE(app().waitFor("pressed Send\n")) << app().output();
    sendMarker();
    EXPECT_EQ(app().output().find("pressed Send"), app().output().rfind("pressed Send")) << app().output();

    const auto described = runUntilDone(loop, actor->describe(latest, operated));
    ASSERT_TRUE(described);
    EXPECT_EQ(described->role, "AXButton");
    EXPECT_EQ(described->title, "Send");
    EXPECT_EQ(described->windowTitle, "Operated");
    EXPECT_EQ(described->enabled, true);
    EXPECT_EQ(described->dialogText, std::nullopt);
    EXPECT_EQ(runUntilDone(loop, actor->describe(earlier, operated)), std::nullopt);
}

TEST_F(MacActorDesktopTests, TypedTextArrivesExactlyWithItsLineEndsAsReturnKeys) {
    const std::string notes = idOf(firstRead(), "AXTextArea", "Notes");
    ASSERT_EQ(outcome([&] { return actor->type("héllo 😀 日本\r\nzwei\rdrei", notes, operated); }), "done");
    EXPECT_TRUE(app().waitFor("text héllo 😀 日本\\nzwei\\ndrei\n")) << app().output();
}

TEST_F(MacActorDesktopTests, AnEmojiAcrossAChunkEndArrivesWhole) {
    const std::string message = idOf(firstRead(), "AXTextField", "Message");
    // 19 units, the emoji's two, then 24 more: chunks of 19, 20 and 6.
    const std::string text = std::string(19, 'a') + "😀" + std::string(24, 'b');
    ASSERT_EQ(outcome([&] { return actor->type(text, message, operated); }), "done");
    EXPECT_TRUE(app().waitFor("entry " + text + "\n")) << app().output();
}

TEST_F(MacActorDesktopTests, EmptyTextFocusesTheElementAndTypesNothing) {
    const std::string message = idOf(firstRead(), "AXTextField", "Message");
    ASSERT_EQ(outcome([&] { return actor->type("", message, operated); }), "done");
    // Typed without an element, the text goes where the focus now is.
    ASSERT_EQ(outcome([&] { return actor->type("x", std::nullopt, operated); }), "done");
    EXPECT_TRUE(app().waitFor("entry x\n")) << app().output();
    EXPECT_EQ(app().output().find("entry \n"), std::string::npos) << app().output();
}

TEST_F(MacActorDesktopTests, AFieldThatTurnedIntoAPasswordFieldIsNeverTypedInto) {
    const AXSnapshot snapshot = firstRead();
    const std::string message = idOf(snapshot, "AXTextField", "Message");
    ASSERT_EQ(outcome([&] { return actor->press(idOf(snapshot, "AXButton", "Hide"), operated); }), "done");
    ASSERT_TRUE(app().waitFor("hidden\n"));
    EXPECT_EQ(outcome([&] { return actor->type("secret", message, operated); }), "Tarvo never types into a password field.");
    sendMarker();
    EXPECT_EQ(app().output().find("entry "), std::string::npos) << app().output();
}

TEST_F(MacActorDesktopTests, AFieldThatHandsItsFocusToAPasswordFieldIsNotTypedInto) {
    const std::string handOn = idOf(firstRead(), "AXTextField", "Hand on");
    EXPECT_EQ(outcome([&] { return actor->type("secret", handOn, operated); }), "Tarvo never types into a password field.");
    sendMarker();
    EXPECT_EQ(app().output().find("password "), std::string::npos) << app().output();
    EXPECT_EQ(app().output().find("entry "), std::string::npos) << app().output();
}

TEST_F(MacActorDesktopTests, KeysGoWithTheirModifiersAndAnUnknownKeyPressesNothing) {
    firstRead();
    ASSERT_EQ(outcome([&] { return actor->key("a", {"command", "shift"}, operated); }), "done");
    EXPECT_TRUE(app().waitFor("key control+shift+a\n")) << app().output();
    for (const char* unknown : {"A", "!", "f5"}) {
        EXPECT_EQ(outcome([&] { return actor->key(unknown, {"command"}, operated); }),
                  "Tarvo does not know that key, so it pressed nothing.")
            << unknown;
    }
    sendMarker();
    EXPECT_EQ(app().output().find("key control+a"), std::string::npos) << app().output();
}

// The number of wheel clicks per line was chosen by this test: each click moves the list by
// about two rows.
TEST_F(MacActorDesktopTests, AScrollOfOneMovesTheListByAboutTenRows) {
    firstRead();
    ASSERT_EQ(outcome([&] { return actor->scroll("down", 1, operated); }), "done");
    sendMarker();
    const std::string output = app().output();
    const std::size_t last = output.rfind("scrolled ");
    ASSERT_NE(last, std::string::npos) << output;
    const int row = std::stoi(output.substr(last + 9));
    EXPECT_GE(row, 8) << output;
    EXPECT_LE(row, 13) << output;
}

TEST_F(MacActorDesktopTests, WithAnotherAppInFrontNothingIsTypedKeyedOrScrolled) {
    firstRead();
    const auto other = otherInFront();
    EXPECT_EQ(outcome([&] { return actor->type("abc", std::nullopt, operated); }),
              "Operated is not in front any more, so nothing was done.");
    EXPECT_EQ(outcome([&] { return actor->key("return", {}, operated); }),
              "Operated is not in front any more, so nothing was done.");
    EXPECT_EQ(outcome([&] { return actor->scroll("down", 1, operated); }), "Operated has no window to scroll.");
    EXPECT_EQ(app().output().find("entry "), std::string::npos) << app().output();
    EXPECT_EQ(other->output().find("entry "), std::string::npos) << other->output();
}

class MacActorDialogTests : public OperatedAppTest {
protected:
    std::vector<std::string> appArguments() const override { return {"--dialog"}; }
};

TEST_F(MacActorDialogTests, DescribeGivesTheWordsOfTheDialogAroundTheElement) {
    const std::string remove = idOf(firstRead(), "AXButton", "Delete");
    const auto described = runUntilDone(loop, actor->describe(remove, operated));
    ASSERT_TRUE(described);
    EXPECT_EQ(described->title, "Delete");
    EXPECT_EQ(described->windowTitle, "Confirm");
    EXPECT_EQ(described->dialogText, "Delete the draft? It cannot be brought back.");
}

// Every act checks that it may happen before it looks at anything else.
TEST_F(MacActorDesktopTests, WithTheBusGoneEveryActIsRefusedWithTheAccessibilitySentence) {
    // The session bus goes away, and the accessibility bus with it, as far as the companion can
    // tell (the desktop puts the address back when it ends).
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    const std::string sentence = "Accessibility is off for Tarvo, so it cannot click or type.";
    EXPECT_EQ(outcome([&] { return actor->press("1.1", operated); }), sentence);
    EXPECT_EQ(outcome([&] { return actor->type("abc", std::nullopt, operated); }), sentence);
    EXPECT_EQ(outcome([&] { return actor->key("!", {}, operated); }), sentence);
    EXPECT_EQ(outcome([&] { return actor->scroll("down", 1, operated); }), sentence);
    EXPECT_EQ(app().output().find("entry "), std::string::npos) << app().output();
}

class MacActorWithoutXTestTests : public OperatedAppTest {
protected:
    std::vector<std::string> serverArguments() const override { return {"-extension", "XTEST"}; }
};

TEST_F(MacActorWithoutXTestTests, EveryActIsRefusedWithTheRestartSentence) {
    const std::string sentence = "Tarvo needs to be restarted on the Mac before it can click or type.";
    EXPECT_EQ(outcome([&] { return actor->press("1.1", operated); }), sentence);
    EXPECT_EQ(outcome([&] { return actor->type("abc", std::nullopt, operated); }), sentence);
    EXPECT_EQ(outcome([&] { return actor->key("!", {}, operated); }), sentence);
    EXPECT_EQ(outcome([&] { return actor->scroll("down", 1, operated); }), sentence);
}

class MacActorFocusedSecretTests : public OperatedAppTest {
protected:
    std::vector<std::string> appArguments() const override { return {"--focus-secret"}; }
};

TEST_F(MacActorFocusedSecretTests, TextForTheFocusedPasswordFieldIsRefused) {
    firstRead();
    EXPECT_EQ(outcome([&] { return actor->type("secret", std::nullopt, operated); }),
              "Tarvo never types into a password field.");
    ASSERT_EQ(outcome([&] { return actor->key("m", {"command"}, operated); }), "done");
    ASSERT_TRUE(app().waitFor("key control+m\n")) << app().output();
    EXPECT_EQ(app().output().find("password "), std::string::npos) << app().output();
}

} // namespace
} // namespace tarvo
