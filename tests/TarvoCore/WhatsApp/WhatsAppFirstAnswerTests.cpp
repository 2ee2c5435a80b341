#include <gtest/gtest.h>

#include <barrier>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "Support/LoopWithFakeClock.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Task.h"
#include "TarvoCore/WhatsApp/FirstAnswer.h"

using namespace std::chrono_literals;
using tarvo::Task;
using tarvo::WhatsAppWeb::firstAnswer;
using Callback = std::function<void(std::string)>;
using Seconds = std::chrono::duration<double>;

namespace {

// Runs one firstAnswer on the loop and keeps what it answered, how often it was resumed, and the
// callback it handed out.
struct Call {
    std::optional<std::string> answer;
    std::string failure;
    int resumed = 0;
    Callback callback;
};

Task<void> waitFor(std::shared_ptr<Call> call, std::optional<Seconds> within) {
    std::function<std::string()> orElse = [] { return std::string("fallback"); };
    std::function<void(Callback)> start = [call](Callback give) { call->callback = std::move(give); };
    try {
        call->answer = co_await firstAnswer<std::string>(within, std::move(orElse), std::move(start));
    } catch (const std::exception& error) {
        call->failure = error.what();
    }
    ++call->resumed;
}

std::shared_ptr<Call> started(tarvo::RunLoop& loop, std::optional<Seconds> within) {
    auto call = std::make_shared<Call>();
    tarvo::spawn(waitFor(call, within));
    loop.runReady();
    return call;
}

} // namespace

TEST(WhatsAppFirstAnswer, TheCallbackAnsweringFirstIsTheAnswer) {
    tarvo::testing::LoopWithFakeClock fake;
    const auto call = started(fake.loop, Seconds(2));
    ASSERT_TRUE(call->callback);
    fake.loop.advance(1s);
    std::thread([callback = call->callback] { callback("answered"); }).join();
    fake.loop.runReady();
    EXPECT_EQ(call->answer, "answered");

    call->callback("again");
    fake.loop.advance(5s);
    EXPECT_EQ(call->answer, "answered");
    EXPECT_EQ(call->resumed, 1);
}

TEST(WhatsAppFirstAnswer, TheDeadlinePassingFirstGivesTheFallbackAndDropsTheLateAnswer) {
    Callback late;
    {
        tarvo::testing::LoopWithFakeClock fake;
        const auto call = started(fake.loop, Seconds(2));
        fake.loop.advance(1999ms);
        EXPECT_EQ(call->resumed, 0);
        fake.loop.advance(1ms);
        EXPECT_EQ(call->answer, "fallback");

        fake.loop.advance(1s);
        call->callback("too late");
        fake.loop.runReady();
        EXPECT_EQ(call->answer, "fallback");
        EXPECT_EQ(call->resumed, 1);
        late = call->callback;
    }
    // The loop is gone: an answer that comes now, as a browser's completion may, touches nothing.
    late("later still");
}

TEST(WhatsAppFirstAnswer, AFallbackThatThrowsFailsTheCaller) {
    tarvo::testing::LoopWithFakeClock fake;
    auto call = std::make_shared<Call>();
    auto failing = [](std::shared_ptr<Call> call) -> Task<void> {
        std::function<std::string()> orElse = []() -> std::string { throw std::runtime_error("no answer in time"); };
        std::function<void(Callback)> start = [](Callback) {};
        try {
            call->answer = co_await firstAnswer<std::string>(Seconds(1), std::move(orElse), std::move(start));
        } catch (const std::exception& error) {
            call->failure = error.what();
        }
    };
    tarvo::spawn(failing(call));
    fake.loop.advance(1s);
    EXPECT_EQ(call->failure, "no answer in time");
    EXPECT_FALSE(call->answer);
}

TEST(WhatsAppFirstAnswer, WithoutADeadlineItWaitsForTheCallbackAlone) {
    tarvo::testing::LoopWithFakeClock fake;
    const auto call = started(fake.loop, std::nullopt);
    fake.loop.advance(24h);
    EXPECT_EQ(call->resumed, 0);
    std::thread helper([callback = call->callback] {
        std::this_thread::sleep_for(20ms);
        callback("at last");
    });
    // Held while the answer is owed, the loop waits for it rather than deciding nothing can come.
    while (call->resumed == 0) ASSERT_TRUE(fake.loop.runOnce());
    helper.join();
    EXPECT_EQ(call->answer, "at last");
}

// The callback comes on another thread at the very instant the deadline fires on the loop; the
// winner varies from call to call, but every call resumes exactly once, and a callback that loses
// after the wait ended touches nothing.
TEST(WhatsAppFirstAnswer, ACallbackRacingTheDeadlineResumesTheCallerExactlyOnce) {
    constexpr int calls = 10000;
    tarvo::testing::LoopWithFakeClock fake;
    std::barrier sync(2);
    Callback callback;
    std::thread giver([&] {
        for (int index = 0; index < calls; ++index) {
            sync.arrive_and_wait();
            callback(std::to_string(index));
            sync.arrive_and_wait();
        }
    });
    int answered = 0;
    for (int index = 0; index < calls; ++index) {
        const auto call = started(fake.loop, Seconds(1));
        callback = call->callback;
        sync.arrive_and_wait();
        fake.loop.advance(1s);
        sync.arrive_and_wait();
        fake.loop.runReady();
        ASSERT_EQ(call->resumed, 1) << index;
        ASSERT_TRUE(call->answer == "fallback" || call->answer == std::to_string(index)) << index;
        if (call->answer != "fallback") ++answered;
    }
    giver.join();
    RecordProperty("answeredBeforeTheDeadline", answered);
}
