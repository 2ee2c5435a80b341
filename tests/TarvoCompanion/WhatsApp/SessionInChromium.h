#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "Platform/ChromiumPageHost.h"
#include "RecordingPageHost.h"
#include "Support/CapturedPlainLog.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Ports/HeadlessDesktop.h"
#include "TarvoCompanion/Ports/HeadlessScreens.h"
#include "TarvoCompanion/RecordingOpener.h"
#include "TarvoCompanion/WhatsApp/HostedWhatsAppSession.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo::testing {

// Long enough for a real browser on a busy machine; reached only when something is broken.
inline constexpr std::chrono::seconds patience{30};
inline const std::string frameAddress = std::string(WhatsAppWeb::url) + "frame";

inline Task<void> waitUntil(std::function<bool()> done) {
    constexpr std::chrono::milliseconds step{50};
    for (std::chrono::milliseconds waited{0}; !done() && waited < patience; waited += step) co_await sleepFor(step);
}

// The session over headless Chromium, through a page host that keeps what reached the page, with
// the chat app served at WhatsApp Web's address and WhatsApp switched on.
class HostedSessionInChromium : public ::testing::Test {
protected:
    using SessionState = WhatsAppWeb::SessionState;

    HostedSessionInChromium() {
        host->serve(std::string(WhatsAppWeb::url), {.body = AtomicFile::read(TARVO_CHAT_APP)});
        host->serve(frameAddress, {.body = "<script>"
                                           "window.heard = [];"
                                           "document.addEventListener('visibilitychange', () => heard.push('hidden'));"
                                           "window.addEventListener('blur', () => heard.push('blur'));"
                                           "</script>"});
        defaults->set(Json(true), WhatsAppSession::enabledKey);
    }

    template <class T>
    T run(Task<T> task) {
        return runUntilDone(loop, std::move(task));
    }
    // The value of an expression evaluated in the page.
    std::string inPage(const std::string& expression) { return run(host->evaluate(expression, patience)).value_or(""); }

    // The session's settled answer, asked again while it is not linked: on a busy machine the
    // browser may take longer than the session's own deadline to show the page, and the
    // session's next answer (as on the program's next tick) then reads it.
    SessionState settle() {
        auto linkedSoon = [](std::shared_ptr<HostedWhatsAppSession> session) -> Task<SessionState> {
            SessionState state = co_await session->settledState();
            constexpr std::chrono::seconds step{1};
            for (std::chrono::seconds waited{0}; state != SessionState::linked() && waited < patience; waited += step) {
                co_await sleepFor(step);
                state = co_await session->settledState();
            }
            co_return state;
        };
        return run(linkedSoon(session));
    }

    // What was logged, one line each, for a failure's message.
    std::string lines() const {
        std::string all;
        for (const std::string& line : log.lines()) all += line + "\n";
        return all;
    }

    RunLoop loop;
    TemporaryFolder folder;
    CapturedPlainLog log;
    std::shared_ptr<ChromiumPageHost> host = std::make_shared<ChromiumPageHost>((folder / "profile").string());
    // What of the session reached the page; a test's own calls go to `host` and are not kept.
    std::shared_ptr<RecordingPageHost> page = std::make_shared<RecordingPageHost>(host);
    std::shared_ptr<MemorySettingsStore> defaults = std::make_shared<MemorySettingsStore>();
    std::shared_ptr<RecordingOpener> opener = std::make_shared<RecordingOpener>();
    std::shared_ptr<HostedWhatsAppSession> session =
        std::make_shared<HostedWhatsAppSession>(HostedWhatsAppSession::Parts{
            .page = page,
            .defaults = defaults,
            .screens = std::make_shared<HeadlessScreens>(),
            .desktop = std::make_shared<HeadlessDesktop>(page),
            .opener = opener,
            .userFolder = folder / "run",
            .linkPicture = folder / "whatsapp-link.png",
        });
};

} // namespace tarvo::testing
