#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "TarvoCompanion/Operator/OperatedAppTest.h"
#include "Platform/AXUISource.h"

namespace tarvo {
namespace {

using testing::OperatedAppTest;

std::string sentenceOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const OperatorPortFailure& failure) {
        return failure.sentence;
    }
    return "no failure";
}

using AXReaderDesktopTests = OperatedAppTest;

TEST_F(AXReaderDesktopTests, ReadsTheFrontWindowWithIdsOfItsControlsAndNoWordOfThePasswordEntry) {
    const AXSnapshot snapshot = firstRead(4);
    EXPECT_EQ(snapshot.app, "Operated");
    EXPECT_NE(snapshot.text.find("AXWindow Operated"), std::string::npos) << snapshot.text;
    const std::string send = idOf(snapshot, "AXButton", "Send");
    const std::string message = idOf(snapshot, "AXTextField", "Message");
    const std::string notes = idOf(snapshot, "AXTextArea", "Notes");
    EXPECT_EQ(send.rfind("4.", 0), 0u) << send;
    for (const std::string& id : {send, message, notes}) EXPECT_TRUE(registry->element(id, operated.pid)) << id;
    EXPECT_EQ(snapshot.elementRefs.size(), snapshot.elements.size());
    // The password entry is there as its role alone: no name, no value, nothing to press.
    EXPECT_NE(snapshot.text.find("] AXSecureTextField\n"), std::string::npos) << snapshot.text;
    EXPECT_EQ(snapshot.text.find("Secret"), std::string::npos) << snapshot.text;
    for (const MacElementInfo& element : snapshot.elements) EXPECT_NE(element.role, "AXSecureTextField");
}

TEST_F(AXReaderDesktopTests, ANewReadReplacesTheIdsOfTheEarlierOneAndAFailedReadKeepsThem) {
    const std::string first = idOf(firstRead(1), "AXButton", "Send");
    const std::string second = idOf(read(2), "AXButton", "Send");
    EXPECT_FALSE(registry->element(first, operated.pid));
    ASSERT_TRUE(registry->element(second, operated.pid));

    // The app goes: its window can no longer be read, and the ids of its last read stay.
    app().signal(SIGKILL);
    EXPECT_EQ(app().exitStatus(), -1);
    EXPECT_EQ(sentenceOf([&] { read(3); }), "Operated has no window Tarvo can read.");
    EXPECT_TRUE(registry->element(second, operated.pid));
}

TEST_F(AXReaderDesktopTests, AProcessWithNoAppOnTheBusHasNoWindowToRead) {
    firstRead();
    RunningApp absent;
    absent.name = "Absent";
    absent.pid = ::getpid();
    EXPECT_EQ(sentenceOf([&] { runUntilDone(loop, reader->snapshot(absent, 1, AXSnapshot::budget)); }),
              "Absent has no window Tarvo can read.");
}

TEST_F(AXReaderDesktopTests, WithoutAccessibilityNothingIsReadAndTheEarlierIdsStay) {
    const std::string send = idOf(firstRead(1), "AXButton", "Send");
    trusted = false;
    EXPECT_EQ(sentenceOf([&] { read(2); }), "Accessibility is off for Tarvo, so it cannot read the screen.");
    EXPECT_TRUE(registry->element(send, operated.pid));
}

} // namespace
} // namespace tarvo
