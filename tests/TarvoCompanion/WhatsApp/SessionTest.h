#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MemoryDesktop.h"
#include "MemoryScreens.h"
#include "TarvoCompanion/RecordingOpener.h"
#include "Support/CapturedPlainLog.h"
#include "Support/LoopWithFakeClock.h"
#include "Support/MemoryPageHost.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/WhatsApp/HostedWhatsAppSession.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo::testing {

// The hosted session over a page in memory, on a loop whose clock moves only by hand. The probe
// answers `probeAnswer`; every other script answers nothing unless a test says otherwise.
class SessionTest : public ::testing::Test {
protected:
    using SessionState = WhatsAppWeb::SessionState;
    using Parts = HostedWhatsAppSession::Parts;

    static constexpr const char* linkedAnswer = R"({"state":"linked"})";
    static constexpr const char* codeAnswer = R"({"state":"needsLink"})";
    static constexpr const char* syncingAnswer = R"({"state":"syncing"})";

    SessionTest() {
        page->answer = [this](const std::string& script, const Json&) -> std::optional<std::string> {
            if (!isProbe(script)) return std::nullopt;
            ++probes;
            return probeAnswer;
        };
    }

    static bool isProbe(const std::string& script) { return script == WhatsAppWeb::sessionProbeScript(); }

    std::shared_ptr<HostedWhatsAppSession> makeSession() {
        return std::make_shared<HostedWhatsAppSession>(Parts{
            .page = page,
            .defaults = defaults,
            .screens = screens,
            .desktop = desktop,
            .opener = opener,
            .userFolder = folder / "run",
            .linkPicture = folder / "whatsapp-link.png",
        });
    }

    void switchOn() { defaults->set(Json(true), WhatsAppSession::enabledKey); }

    // Starts the task on the loop and runs what is ready; the result is there once it ended.
    template <class T>
    std::shared_ptr<std::optional<T>> start(Task<T> task) {
        auto result = std::make_shared<std::optional<T>>();
        spawn(keep(std::move(task), result));
        loop.runReady();
        return result;
    }
    std::shared_ptr<bool> startVoid(Task<void> task) {
        auto ended = std::make_shared<bool>(false);
        spawn(keepVoid(std::move(task), ended));
        loop.runReady();
        return ended;
    }

    // Moves the clock on by `seconds`, running what falls due on the way.
    void advance(double seconds) {
        loop.advance(std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(seconds)));
    }
    // Moves the clock to `seconds` after the test began.
    void advanceTo(double seconds) {
        const auto target = began + std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(seconds));
        loop.advance(target - clocked.clock->now());
    }

    std::vector<std::string> linesWith(std::string_view piece) const {
        std::vector<std::string> found;
        for (const std::string& line : log.lines()) {
            if (line.find(piece) != std::string::npos) found.push_back(line);
        }
        return found;
    }

    LoopWithFakeClock clocked;
    RunLoop& loop = clocked.loop;
    const Clock::Instant began = clocked.clock->now();
    CapturedPlainLog log;
    TemporaryFolder folder;
    std::shared_ptr<MemoryPageHost> page = std::make_shared<MemoryPageHost>();
    std::shared_ptr<MemorySettingsStore> defaults = std::make_shared<MemorySettingsStore>();
    std::shared_ptr<MemoryScreens> screens = std::make_shared<MemoryScreens>();
    std::shared_ptr<MemoryDesktop> desktop = std::make_shared<MemoryDesktop>();
    std::shared_ptr<RecordingOpener> opener = std::make_shared<RecordingOpener>();
    std::string probeAnswer = codeAnswer;
    int probes = 0;
    std::shared_ptr<HostedWhatsAppSession> session = makeSession();

private:
    template <class T>
    static Task<void> keep(Task<T> task, std::shared_ptr<std::optional<T>> into) {
        into->emplace(co_await std::move(task));
    }
    static Task<void> keepVoid(Task<void> task, std::shared_ptr<bool> ended) {
        co_await std::move(task);
        *ended = true;
    }
};

} // namespace tarvo::testing
