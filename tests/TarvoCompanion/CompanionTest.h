#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "RecordingOpener.h"
#include "RecordingWebView.h"
#include "RecordingNotificationCenter.h"
#include "Support/MemoryContactStore.h"
#include "Support/MessagesDatabaseFixture.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCompanion/Ports/MemoryBadgeIndicator.h"
#include "TarvoCompanion/Operator/SimulatedOperatorLink.h"
#include "TarvoCompanion/Operator/SimulatedOperatorPermissions.h"
#include "TarvoCompanion/WhatsApp/SimulatedWhatsAppSession.h"
#include "TarvoCore/Ports/MemorySecretStore.h"

namespace tarvo::testing {

// What the stand-ins for the neighbouring pieces did, and how long each of them takes. It lives
// apart from the companion so that it can be read after the companion is gone.
struct CompanionScript {
    explicit CompanionScript(const Clock& clock) : clock(clock), start(clock.now()) {}

    // "<whole seconds since the start> <step>", one entry per step begun.
    std::vector<std::string> steps;
    std::map<std::string, std::chrono::seconds> takes;
    // Steps that throw once begun.
    std::set<std::string> failing;
    std::shared_ptr<BrainClient> client;
    std::vector<std::string> channelsAtHeartbeat;
    std::shared_ptr<BrainClient> liveClient;

    void note(const std::string& step) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(clock.now() - start);
        steps.push_back(fmt::format("{} {}", elapsed.count(), step));
    }

    const Clock& clock;
    const Clock::Instant start;
};

// The companion with every neighbour's operation replaced by a step of the script, and no sign-in.
class ScriptedCompanion : public Companion {
public:
    ScriptedCompanion(Services services, std::shared_ptr<CompanionScript> script)
        : Companion(std::move(services)), script_(std::move(script)) {}

    std::shared_ptr<BrainClient> client() override { return script_->client; }
    void beginSignIn() override {}

    Task<void> heartbeat() override {
        script_->channelsAtHeartbeat = state().enabledChannels;
        return act("heartbeat");
    }
    Task<void> runRelayJobs() override { return act("relay"); }
    Task<void> capture() override { return act("capture"); }
    Task<void> captureWhatsApp() override { return act("whatsapp"); }
    Task<void> captureRecentFirst(std::shared_ptr<BrainClient> client, std::string channelId) override {
        script_->liveClient = std::move(client);
        return act("live " + channelId);
    }

private:
    Task<void> act(std::string step) {
        script_->note(step);
        if (script_->failing.contains(step)) throw std::runtime_error("disk on fire");
        const auto takes = script_->takes.find(step);
        if (takes != script_->takes.end()) co_await sleepFor(takes->second);
    }

    std::shared_ptr<CompanionScript> script_;
};

// A BrainClient that is never asked anything: it only has to be there.
class UnusedTransport final : public HttpTransport {
public:
    Task<Response> perform(Request) override { throw Failure("no transfers in this test"); }
};

// The scripted companion with its own sign-in: it pairs, keeps tokens and builds its client.
class SigningInCompanion final : public ScriptedCompanion {
public:
    using ScriptedCompanion::ScriptedCompanion;

    std::shared_ptr<BrainClient> client() override { return Companion::client(); }
    void beginSignIn() override { Companion::beginSignIn(); }
};

class CompanionTest : public ::testing::Test {
protected:
    // The services every companion of these tests is built over.
    Companion::Services usualServices(std::optional<std::filesystem::path> chatDb = std::nullopt) {
        return Companion::Services{
            .defaults = defaults,
            .chatDatabasePath = chatDb.value_or(folder / "missing-chat.db").string(),
            .whatsapp = whatsapp,
            .operatorPermissions = permissions,
            .operatorLink = link,
            .session = session,
            .secrets = secrets,
            .opener = opener,
            .panelWebView = panelWebView,
            .panelCookies = panelCookies,
            .notificationCenter = centre,
            .badge = badge,
            .contactStore = std::make_shared<MemoryContactStore>(),
        };
    }

    template <class C = ScriptedCompanion>
    std::shared_ptr<C> makeCompanion(std::optional<std::filesystem::path> chatDb = std::nullopt) {
        return std::make_shared<C>(usualServices(std::move(chatDb)), script);
    }

    // A real Messages database with every table and column the companion reads.
    std::filesystem::path readableDatabase() {
        if (!messages) messages.emplace(folder / "chat.db");
        return messages->path();
    }

    std::shared_ptr<BrainClient> someClient() const {
        const ClientIdentity identity{"test", 1, "0.0.0", "test", std::nullopt};
        return std::make_shared<BrainClient>("http://127.0.0.1:9", identity, std::nullopt,
                                             std::make_shared<UnusedTransport>());
    }

    // Runs everything that is ready, waiting for the worker pool's jobs to come back, without
    // moving the clock.
    void settle() {
        for (;;) {
            if (loop.runReady() > 0) continue;
            if (loop.workers().outstanding() > 0 || loop.isHeld()) {
                std::this_thread::yield();
                continue;
            }
            // A job that just ended has posted its resumption before it stopped counting.
            if (loop.runReady() == 0) return;
        }
    }

    // Moves the clock on a second at a time, settling in between, so that work a timer sends to
    // a worker comes back before the next timer fires.
    void runFor(std::chrono::seconds span) {
        for (auto moved = std::chrono::seconds(0); moved < span; moved += std::chrono::seconds(1)) {
            settle();
            loop.advance(std::chrono::seconds(1));
        }
        settle();
    }

    std::vector<std::string> stepsWithout(const std::string& name) const {
        std::vector<std::string> kept;
        for (const auto& step : script->steps) {
            if (!step.ends_with(" " + name)) kept.push_back(step);
        }
        return kept;
    }

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    RunLoop loop{clock};
    TemporaryFolder folder;
    std::optional<MessagesDatabaseFixture> messages;
    std::shared_ptr<MemorySettingsStore> defaults = std::make_shared<MemorySettingsStore>();
    std::shared_ptr<SimulatedWhatsAppSession> whatsapp = std::make_shared<SimulatedWhatsAppSession>();
    std::shared_ptr<SimulatedOperatorPermissions> permissions = std::make_shared<SimulatedOperatorPermissions>();
    std::shared_ptr<SimulatedOperatorLink> link = std::make_shared<SimulatedOperatorLink>();
    std::shared_ptr<HttpTransport> session = std::make_shared<UnusedTransport>();
    std::shared_ptr<MemorySecretStore> secrets = std::make_shared<MemorySecretStore>();
    std::shared_ptr<RecordingOpener> opener = std::make_shared<RecordingOpener>();
    std::shared_ptr<RecordingWebView> panelWebView = std::make_shared<RecordingWebView>();
    std::shared_ptr<CookieJar> panelCookies = nullptr;
    std::shared_ptr<RecordingNotificationCenter> centre = std::make_shared<RecordingNotificationCenter>();
    std::shared_ptr<MemoryBadgeIndicator> badge = std::make_shared<MemoryBadgeIndicator>();
    std::shared_ptr<CompanionScript> script = std::make_shared<CompanionScript>(*clock);
};

} // namespace tarvo::testing
