#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/CurlHttpTransport.h"
#include "Support/CapturedTarvoLog.h"
#include "Support/FakeOperatorPorts.h"
#include "Support/FakeService.h"
#include "Support/FakeSystemCalls.h"
#include "Support/LoopWithFakeClock.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoCompanion/Operator/LiveOperatorLink.h"

namespace tarvo::testing {

class FakeOperatingBar final : public OperatingBar {
public:
    void show(std::function<void()> onStop) override {
        ++shows;
        shown = true;
        stop = std::move(onStop);
    }
    void hide() override {
        ++hides;
        shown = false;
    }
    Task<bool> isShown() override { co_return shown; }

    bool shown = false;
    int shows = 0;
    int hides = 0;
    std::function<void()> stop;
};

class FakeStopKey final : public StopKeyGrab {
public:
    void grab(std::function<void()> onPress) override {
        ++grabs;
        held = true;
        press = std::move(onPress);
    }
    void release() override { held = false; }

    bool held = false;
    int grabs = 0;
    std::function<void()> press;
};

// A link over fakes of the desktop, talking to a service on 127.0.0.1 through curl, on a loop
// whose clock moves only when the test moves it.
struct LinkTest : ::testing::Test, LoopWithFakeClock {
    static constexpr const char* nextPath = "/v1/mac/operator/next";

    // Every class ready, on mains power, unlocked at the screen.
    static OperatorCaps readyCaps() {
        OperatorCaps caps;
        caps.enabled = true;
        caps.accessibility = true;
        caps.screenRecording = true;
        caps.postEvent = true;
        caps.sessionLocked = false;
        caps.onConsole = true;
        caps.fullDiskAccess = true;
        caps.displayAsleep = false;
        caps.acPower = true;
        return caps;
    }

    CapturedTarvoLog log;
    FakeService service;
    std::shared_ptr<SettingsStore> settings = std::make_shared<MemorySettingsStore>();
    FakeOperatorPorts ports;
    std::shared_ptr<FakeOperatingBar> bar = std::make_shared<FakeOperatingBar>();
    std::shared_ptr<FakeStopKey> key = std::make_shared<FakeStopKey>();
    std::shared_ptr<FakeSystemCalls> system = std::make_shared<FakeSystemCalls>();
    std::optional<OperatorCaps> caps = readyCaps();
    bool allowed = true;
    bool keepAwake = false;
    bool signedIn = true;
    bool withClient = true;
    int holdsBegun = 0;
    int holdsEnded = 0;
    std::shared_ptr<BrainClient> brain = std::make_shared<BrainClient>(
        service.baseURL(), ClientIdentity{"macos", 1234, "1.2.3", "Test Mac", std::nullopt},
        BrainClient::Credentials{"access-1", "refresh-1", "device-9"}, std::make_shared<CurlHttpTransport>(),
        [](const std::string&, const std::string&) {});
    std::shared_ptr<LiveOperatorLink> link;

    LinkTest() {
        // Nothing is answered until a test says so: a poll stays open.
        service.answer("POST", nextPath, held(R"({"kind": "none"})"));
    }

    std::shared_ptr<LiveOperatorLink> makeLink() {
        return std::make_shared<LiveOperatorLink>(LiveOperatorLink::Services{
            .settings = settings,
            .readiness =
                {
                    .current = [this] { return caps; },
                    .published = [this] { return caps; },
                    .allowed = [this] { return allowed; },
                    .keepAwake = [this] { return keepAwake; },
                },
            .bar = bar,
            .stopKey = key,
            .system = system,
            .readCaps =
                [this](bool enabled) {
                    OperatorCaps reading = caps.value_or(OperatorCaps{});
                    reading.enabled = enabled;
                    return reading;
                },
            .makeStepPorts =
                [this] { return LiveOperatorLink::StepPorts{ports.apps, ports.screen, ports.accessibility, ports.acts}; },
            .makeFiles = [this](LiveOperatorLink::FileClientSource) { return ports.files; },
            .holdBegin =
                [this](const std::string&) {
                    ++holdsBegun;
                    return std::optional<IdleSleepHold::Assertion>(static_cast<IdleSleepHold::Assertion>(holdsBegun));
                },
            .holdEnd = [this](IdleSleepHold::Assertion) { ++holdsEnded; },
            .random = [] { return 0.0; },
        });
    }

    void start() {
        if (!link) link = makeLink();
        link->start([this] { return withClient ? brain : nullptr; }, [this] { return signedIn; });
    }

    // An answer held until the service shuts down.
    ScriptedAnswer held(std::string body) {
        return ScriptedAnswer{.status = 200, .body = std::move(body), .gate = std::make_shared<Gate>()};
    }

    // Runs what the loop has to do, without moving its clock, until `done` or a few seconds.
    bool settle(const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < limit) {
            loop.runReady();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    // Runs the loop for a moment in which nothing should happen.
    void idle() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
        while (std::chrono::steady_clock::now() < until) {
            loop.runReady();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    std::size_t polls() const { return service.requests("POST", nextPath).size(); }
    std::vector<RecordedRequest> results(const std::string& stepId) const {
        return service.requests("POST", "/v1/mac/operator/steps/" + stepId + "/result");
    }
    std::vector<RecordedRequest> stopReports(const std::string& runId) const {
        return service.requests("POST", "/v1/mac/operator/runs/" + runId + "/stopped");
    }

    static std::string step(const std::string& runId, const std::string& stepId, const std::string& stepObject) {
        return R"({"kind": "step", "runId": ")" + runId + R"(", "stepId": ")" + stepId + R"(", "step": )" +
               stepObject + "}";
    }
    static std::string listApps(const std::string& runId, const std::string& stepId) {
        return step(runId, stepId, R"({"kind": "list_apps"})");
    }

    // The text of every named line that begins with `prefix`.
    std::vector<std::string> lines(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const LogEntry& entry : log.entries()) {
            const std::string text = entry.text();
            if (text.starts_with(prefix)) found.push_back(text);
        }
        return found;
    }

    static Json bodyOf(const RecordedRequest& request) { return Json::parse(request.body); }
};

} // namespace tarvo::testing
