#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/AtSpiWorker.h"
#include "Support/DesktopSessionTest.h"
#include "Support/RunningProgram.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "Platform/LinuxOperatorReadings.h"
#include "Platform/LinuxSystemCalls.h"
#include "Platform/XTestInput.h"
#include "TarvoCompanion/Operator/AXReader.h"
#include "TarvoCompanion/Operator/HeadlessOperatorPorts.h"
#include "TarvoCompanion/Operator/MacActor.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo::testing {

// A desktop with the test application on it, read by a reader over the accessibility bus.
class OperatedAppTest : public DesktopSessionTest {
protected:
    static constexpr auto registrationLimit = std::chrono::seconds(30);

    virtual std::vector<std::string> appArguments() const { return {}; }

    void SetUp() override {
        DesktopSessionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        app_ = std::make_unique<RunningProgram>(TARVO_OPERATED_APP, appArguments(),
                                                std::map<std::string, std::string>{});
        ASSERT_TRUE(app_->waitFor("ready ")) << app_->output();
        operated.name = "Operated";
        operated.pid = app_->pid();
        // The checks the program makes: the accessibility bus answers, the X server has XTest.
        readings = std::make_shared<LinuxOperatorReadings>(std::make_shared<SystemClock>(),
                                                           std::make_shared<LinuxSystemCalls>(), X11Display::open());
        actor = std::make_shared<MacActor>(
            registry, worker,
            MacActor::Checks{.trusted = [r = readings] { return r->accessibilityTrusted() == true; },
                             .mayPost = [r = readings] { return r->postEventAllowed() == true; }},
            std::make_shared<XTestInput>(X11Display::open()), std::make_shared<HeadlessOperatorPorts>());
    }
    void TearDown() override {
        actor.reset();
        readings.reset();
        reader.reset();
        registry.reset();
        worker.reset();
        app_.reset();
    }

    // The first read that finds the app's window: the app registers on the bus a little after
    // its window shows.
    AXSnapshot firstRead(std::int64_t generation = 1) {
        const auto deadline = std::chrono::steady_clock::now() + registrationLimit;
        while (true) {
            try {
                return read(generation);
            } catch (const OperatorPortFailure& failure) {
                if (std::chrono::steady_clock::now() > deadline) throw;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    AXSnapshot read(std::int64_t generation) {
        return runUntilDone(loop, reader->snapshot(operated, generation, AXSnapshot::budget));
    }

    // The id of the first actionable element of `role` whose label is `label`.
    static std::string idOf(const AXSnapshot& snapshot, const std::string& role, const std::string& label) {
        for (const MacElementInfo& element : snapshot.elements) {
            if (element.role == role && element.label == label) return element.id;
        }
        ADD_FAILURE() << "no " << role << " \"" << label << "\" in\n" << snapshot.text;
        return {};
    }

    RunningProgram& app() const { return *app_; }

    // Runs `act`; the sentence it failed with, or "done".
    template <class Act>
    std::string outcome(Act act) {
        try {
            runUntilDone(loop, act());
        } catch (const OperatorPortFailure& failure) {
            return failure.sentence;
        }
        return "done";
    }

    RunLoop loop;
    RunningApp operated;
    std::shared_ptr<AtSpiRegistry> registry = std::make_shared<AtSpiRegistry>();
    std::shared_ptr<AtSpiWorker> worker = std::make_shared<AtSpiWorker>();
    bool trusted = true;
    std::shared_ptr<AXReader> reader = std::make_shared<AXReader>(registry, worker, [this] { return trusted; });
    std::shared_ptr<LinuxOperatorReadings> readings;
    std::shared_ptr<MacActor> actor;

private:
    std::unique_ptr<RunningProgram> app_;
};

} // namespace tarvo::testing
