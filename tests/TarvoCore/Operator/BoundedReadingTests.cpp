#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Support/CapturedPlainLog.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/BoundedReading.h"

using namespace std::chrono_literals;
using tarvo::BoundedReading;
using tarvo::FakeClock;
using tarvo::RunLoop;
using tarvo::Task;

namespace {

// A reading that holds its worker until the test lets it end; each reading gives the number of
// readings so far.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    int readings = 0;
    bool open = false;

    int read() {
        std::unique_lock guard(lock);
        ++readings;
        changed.notify_all();
        changed.wait(guard, [this] { return open; });
        return readings;
    }
    void setOpen(bool isOpen) {
        std::lock_guard guard(lock);
        open = isOpen;
        changed.notify_all();
    }
    void waitForReadings(int count) {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return readings >= count; });
    }
};

struct Fixture {
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    RunLoop loop{clock};
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();

    std::unique_ptr<BoundedReading<int>> makeReading() {
        return std::make_unique<BoundedReading<int>>(clock, [gate = gate] { return gate->read(); });
    }

    // Runs the loop without moving its clock until `done`, while a worker finishes its part.
    void runUntil(const std::function<bool()>& done) {
        while (!done()) {
            loop.runReady();
            std::this_thread::yield();
        }
    }
};

Task<void> ask(BoundedReading<int>* reading, std::chrono::duration<double> limit, std::optional<bool>* answer) {
    *answer = co_await reading->refresh(limit);
}

} // namespace

TEST(BoundedReading, CallersDuringOneReadingShareItsAnswer) {
    Fixture f;
    auto reading = f.makeReading();
    std::vector<std::optional<bool>> answers(10);
    for (auto& answer : answers) spawn(ask(reading.get(), 2s, &answer));
    f.loop.runReady();
    f.gate->waitForReadings(1);
    EXPECT_EQ(reading->readsStarted(), 1);
    EXPECT_EQ(reading->newestValue(), std::nullopt);

    f.gate->setOpen(true);
    f.runUntil([&] { return std::ranges::all_of(answers, [](auto answer) { return answer.has_value(); }); });
    EXPECT_EQ(answers, std::vector<std::optional<bool>>(10, true));
    EXPECT_EQ(reading->readsStarted(), 1);
    EXPECT_EQ(f.gate->readings, 1);
    EXPECT_EQ(reading->newestValue(), 1);

    // One arriving after the reading ended starts another, however fresh the value is.
    std::optional<bool> later;
    spawn(ask(reading.get(), 2s, &later));
    f.runUntil([&] { return later.has_value(); });
    EXPECT_EQ(later, true);
    EXPECT_EQ(reading->readsStarted(), 2);
    EXPECT_EQ(reading->newestValue(), 2);
}

TEST(BoundedReading, AReadingSlowerThanTheWaitAnswersFalseAndStillStoresItsValue) {
    Fixture f;
    auto reading = f.makeReading();
    std::optional<bool> patient;
    std::vector<std::optional<bool>> hasty(3);
    const std::vector<std::chrono::duration<double>> noWait{0s, -1s, std::chrono::duration<double>(std::nan(""))};
    spawn(ask(reading.get(), 2s, &patient));
    for (std::size_t i = 0; i < noWait.size(); ++i) spawn(ask(reading.get(), noWait[i], &hasty[i]));
    f.loop.runReady();
    f.gate->waitForReadings(1);
    f.loop.runReady();
    EXPECT_EQ(hasty, std::vector<std::optional<bool>>(3, false));
    EXPECT_EQ(patient, std::nullopt);

    f.loop.advance(2s);
    EXPECT_EQ(patient, false);

    f.gate->setOpen(true);
    f.runUntil([&] { return reading->newestValue().has_value(); });
    EXPECT_EQ(reading->latest(35s), 1);
    EXPECT_EQ(reading->readsStarted(), 1);
}

TEST(BoundedReading, LatestIsFreshUpToItsAgeLimitWhateverTheWallClockDoes) {
    Fixture f;
    auto reading = f.makeReading();
    EXPECT_EQ(reading->latest(35s), std::nullopt);
    f.gate->setOpen(true);
    std::optional<bool> answer;
    spawn(ask(reading.get(), 2s, &answer));
    f.runUntil([&] { return answer.has_value(); });

    f.loop.advance(35s);
    EXPECT_EQ(reading->latest(35s), 1);
    f.clock->setDate(f.clock->date() - 24h);
    EXPECT_EQ(reading->latest(35s), 1) << "setting the wall clock back ages nothing";
    f.loop.advance(1ms);
    EXPECT_EQ(reading->latest(35s), std::nullopt);
    f.clock->setDate(f.clock->date() - 24h);
    EXPECT_EQ(reading->latest(35s), std::nullopt) << "setting the wall clock back freshens nothing";
    EXPECT_EQ(reading->latest(std::chrono::duration<double>(std::nan(""))), std::nullopt);
    EXPECT_EQ(reading->newestValue(), 1);
}

TEST(BoundedReading, AReadingOutlivesItsOwnerAndStillAnswers) {
    Fixture f;
    auto reading = f.makeReading();
    std::optional<bool> answer;
    spawn(ask(reading.get(), 2s, &answer));
    f.loop.runReady();
    f.gate->waitForReadings(1);
    reading.reset();

    f.gate->setOpen(true);
    f.runUntil([&] { return answer.has_value(); });
    EXPECT_EQ(answer, true);
    f.loop.advance(2s);
    EXPECT_EQ(f.gate.use_count(), 1) << "the reading's shared state should be gone once nothing waits";
}

TEST(BoundedReading, ALoopGoneWithItsWaitingCallerMidReadingLeavesNothingBehind) {
    const auto gate = std::make_shared<Gate>();
    {
        const auto clock = std::make_shared<FakeClock>();
        RunLoop loop{clock};
        BoundedReading<int> reading(clock, [gate] { return gate->read(); });
        std::optional<bool> answer;
        spawn(ask(&reading, 2s, &answer));
        loop.runReady();
        gate->waitForReadings(1);
        gate->setOpen(true);
    }
    EXPECT_EQ(gate.use_count(), 1) << "the reading's shared state should be gone with the loop";
}

TEST(BoundedReading, AFailedReadingAnswersFalseIsLoggedAndTheNextRefreshReadsAgain) {
    tarvo::testing::CapturedPlainLog log;
    Fixture f;
    int calls = 0;
    BoundedReading<int> reading(f.clock, [&calls] {
        if (++calls == 1) throw std::runtime_error("the display list broke");
        return 7;
    });
    std::optional<bool> first;
    spawn(ask(&reading, 2s, &first));
    f.runUntil([&] { return first.has_value(); });
    EXPECT_EQ(first, false);
    EXPECT_EQ(reading.newestValue(), std::nullopt);
    f.runUntil([&] { return !log.lines().empty(); });
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"tarvo: a background task ended with an error: the display list broke"});

    std::optional<bool> second;
    spawn(ask(&reading, 2s, &second));
    f.runUntil([&] { return second.has_value(); });
    EXPECT_EQ(second, true);
    EXPECT_EQ(reading.newestValue(), 7);
    EXPECT_EQ(reading.readsStarted(), 2);
}
