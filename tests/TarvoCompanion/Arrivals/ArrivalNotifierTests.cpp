#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "Support/CapturedPlainLog.h"
#include "Support/CapturedTarvoLog.h"
#include "TarvoCompanion/Arrivals/ArrivalNotifier.h"
#include "TarvoCompanion/CompanionTest.h"
#include "TarvoCompanion/Ports/LoggingNotificationCenter.h"

using tarvo::ArrivalNotifier;
using tarvo::HeartbeatNudge;
using tarvo::LogEntry;
using tarvo::NotificationCenter;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::CapturedTarvoLog;
using tarvo::testing::CompanionTest;
using Authorization = NotificationCenter::Authorization;
using Request = NotificationCenter::Request;
using Lines = std::vector<std::string>;

namespace {

const std::string turn = "0F8FAD5B-D9CB-469F-A165-70867728950E";

class ArrivalNotifierTest : public CompanionTest {
protected:
    std::shared_ptr<ArrivalNotifier> makeNotifier() {
        auto made = ArrivalNotifier::create(centre);
        settle();
        return made;
    }

    void hear(ArrivalNotifier& notifier, std::initializer_list<std::int64_t> counts) {
        for (const auto count : counts) notifier.heard(count);
        settle();
    }

    Lines bodiesAdded() const {
        Lines bodies;
        for (const auto& request : centre->added) bodies.push_back(request.body);
        return bodies;
    }
};

Lines texts(const std::vector<LogEntry>& entries) {
    Lines lines;
    for (const auto& entry : entries) lines.push_back(entry.category + ": " + entry.text());
    return lines;
}

} // namespace

TEST_F(ArrivalNotifierTest, AnnouncesOnlyRisesAfterTheFirstCountAndKeepsOneWaitingNoticeOnShow) {
    auto notifier = makeNotifier();
    hear(*notifier, {5, 5, 7, 3, 4});

    EXPECT_EQ(bodiesAdded(), (Lines{"7 things are waiting for you", "4 things are waiting for you"}));
    const Request expected{"com.tarvo.waiting", "Tarvo", "4 things are waiting for you", {{"open", "panel"}}};
    EXPECT_EQ(centre->added.back(), expected);
    ASSERT_EQ(centre->shown.size(), 1u);
    EXPECT_EQ(centre->shown.begin()->second, expected);
    EXPECT_EQ(notifier->announced(), 4);

    hear(*notifier, {0, 1});
    EXPECT_EQ(bodiesAdded().back(), "1 thing is waiting for you");
}

TEST_F(ArrivalNotifierTest, PermissionFollowsTheCentresStatus) {
    struct Case {
        Authorization status;
        bool allowed;
    };
    const Case cases[] = {{Authorization::authorized, true},
                          {Authorization::provisional, true},
                          {Authorization::notDetermined, false},
                          {Authorization::denied, false},
                          {Authorization::ephemeral, false}};
    for (const auto& c : cases) {
        centre->status = c.status;
        EXPECT_EQ(makeNotifier()->allowed(), c.allowed) << static_cast<int>(c.status);
    }
}

TEST_F(ArrivalNotifierTest, CountsHeardWhileNotAllowedAreRecordedAndNeverMadeUpLater) {
    centre->status = Authorization::denied;
    auto notifier = makeNotifier();
    hear(*notifier, {2, 9});
    notifier->requestPermission();
    settle();
    ASSERT_TRUE(notifier->allowed());
    hear(*notifier, {9, 10});

    EXPECT_EQ(bodiesAdded(), Lines{"10 things are waiting for you"});
}

TEST_F(ArrivalNotifierTest, RefusalsAndAFailedRequestForPermissionAreLogged) {
    CapturedPlainLog log;
    CapturedTarvoLog tarvoLog;
    centre->refusal = "the centre is full";
    centre->grant = {false, "alerts are off for this computer"};
    auto notifier = makeNotifier();
    hear(*notifier, {1, 3});
    notifier->post(HeartbeatNudge{turn, "Reply?", "Ana wrote"});
    settle();
    notifier->requestPermission();
    settle();

    EXPECT_EQ(notifier->announced(), 3);
    EXPECT_FALSE(notifier->allowed());
    EXPECT_EQ(log.lines(), (Lines{"tarvo: could not post notification: the centre is full",
                                  "tarvo: notifications unavailable: alerts are off for this computer"}));
    EXPECT_EQ(texts(tarvoLog.entries()), (Lines{"operator: nudge notice posted, notifications allowed true",
                                                "operator: nudge notice refused by the notification centre"}));
}

TEST_F(ArrivalNotifierTest, EveryNudgeIsLoggedAndOnlyAValidAllowedOneIsPosted) {
    CapturedTarvoLog tarvoLog;
    auto notifier = makeNotifier();
    notifier->heard(4);
    notifier->post(HeartbeatNudge{turn, " Reply to Ana? ", "She asked about Friday"});
    notifier->post(HeartbeatNudge{"turn-1", "Reply?", "Ana wrote"});
    settle();
    centre->status = Authorization::denied;
    notifier->readPermission();
    settle();
    notifier->post(HeartbeatNudge{turn, "Reply?", "Ana wrote"});
    settle();

    const Request expected{"com.tarvo.nudge",
                           "Reply to Ana?",
                           "She asked about Friday",
                           {{"open", "brain"}, {"turnId", "0f8fad5b-d9cb-469f-a165-70867728950e"}}};
    EXPECT_EQ(centre->added, std::vector{expected});
    EXPECT_EQ(notifier->announced(), 4);
    EXPECT_EQ(texts(tarvoLog.entries()), (Lines{"operator: nudge notice posted, notifications allowed true",
                                                "operator: nudge notice posted, notifications allowed true",
                                                "operator: nudge notice posted, notifications allowed false"}));
}

TEST_F(ArrivalNotifierTest, AClickOpensItsPanelPageOnTheMainLoopBeforeItIsDone) {
    auto notifier = makeNotifier();
    Lines opened;
    notifier->router().openPanel = [&opened](const std::string& path) { opened.push_back(path); };
    struct Case {
        tarvo::Json userInfo;
        std::string path;
    };
    const Case cases[] = {{tarvo::Json{{"open", "brain"}, {"turnId", turn}}, "/app/brain"},
                          {tarvo::Json{{"open", "panel"}}, "/app"},
                          {tarvo::Json{{"open", 1}}, "/app"}};
    for (const auto& c : cases) {
        opened.clear();
        std::atomic<bool> handled = false;
        centre->click(c.userInfo, handled);
        EXPECT_TRUE(opened.empty());
        EXPECT_FALSE(handled);
        settle();
        EXPECT_EQ(opened, Lines{c.path});
        EXPECT_TRUE(handled);
    }
    const NotificationCenter::Presentation inFront{.banner = true, .list = true, .sound = true, .badge = false};
    EXPECT_EQ(centre->delegate()->willPresent(), inFront);
}

TEST_F(ArrivalNotifierTest, AnswersArrivingAfterTheNotifierIsGoneChangeNothing) {
    auto notifier = ArrivalNotifier::create(centre);
    notifier->requestPermission();
    notifier.reset();
    settle();

    // The centre never kept the router alive.
    EXPECT_EQ(centre->delegate(), nullptr);
}

TEST_F(ArrivalNotifierTest, TheStandInCentreLogsEachNoticeOnALineOfItsOwn) {
    CapturedPlainLog log;
    auto notifier = ArrivalNotifier::create(std::make_shared<tarvo::LoggingNotificationCenter>());
    settle();
    notifier->post(HeartbeatNudge{turn, "Reply?\nnow", "Ana \"wrote\""});
    hear(*notifier, {1, 2});

    EXPECT_EQ(log.lines(), (Lines{R"(tarvo: notice com.tarvo.nudge "Reply?\nnow" "Ana \"wrote\"")",
                                  R"(tarvo: notice com.tarvo.waiting "Tarvo" "2 things are waiting for you")"}));
}
