#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CompanionTest.h"
#include "Support/FakeService.h"
#include "Support/PendingPairing.h"
#include "Platform/CurlHttpTransport.h"
#include "TarvoCompanion/MenuItem.h"
#include "TarvoCompanion/SafariStatus.h"
#include "TarvoCore/WhatsApp/SessionState.h"

namespace tarvo::testing {

// A companion whose published state the test sets as it likes.
class StatedCompanion final : public ScriptedCompanion {
public:
    using ScriptedCompanion::ScriptedCompanion;
    using Companion::mutableState;

    // Counted, unless the test lets it pair for real.
    void beginSignIn() override {
        ++signIns;
        if (pairs) Companion::beginSignIn();
    }

    bool pairs = false;
    int signIns = 0;
};

// The companion, the operator's simulated permissions and link, and the extension's status,
// with ways to put each into the state a case needs.
class MenuTest : public CompanionTest {
protected:
    std::shared_ptr<StatedCompanion> companion = makeCompanion<StatedCompanion>();
    std::shared_ptr<SafariStatus> safari = SafariStatus::make(SafariSwitch(std::nullopt, nullptr));

    void signIn(bool readable = true, std::vector<std::string> channels = {"imessage"}) {
        CompanionState& state = companion->mutableState();
        state.signIn = CompanionState::SignIn::signedIn("someone@example.com");
        state.canReadMessages = readable;
        state.enabledChannels = std::move(channels);
    }

    // WhatsApp Web seen linked, as a linking finds it.
    void linkWhatsApp() {
        whatsapp->settle(WhatsAppWeb::SessionState::linked());
        companion->linkWhatsApp();
        settle();
        ASSERT_TRUE(companion->whatsappLinked());
    }

    // A pairing under way, its code issued by a service on 127.0.0.1 that keeps it pending.
    void startPairing(FakeService& service) {
        session = std::make_shared<CurlHttpTransport>();
        defaults->set(Json(service.baseURL()), "TarvoApiURL");
        answerPendingPairing(service);
        companion = std::make_shared<StatedCompanion>(usualServices(), script);
        companion->pairs = true;
        companion->beginSignIn();
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!companion->pairingCode() && std::chrono::steady_clock::now() < limit) {
            if (loop.runReady() == 0) std::this_thread::yield();
        }
        ASSERT_TRUE(companion->pairingCode());
    }

    static std::vector<std::string> titles(const std::vector<MenuItem>& items) {
        std::vector<std::string> shown;
        for (const MenuItem& item : items) shown.push_back(item.kind == MenuItem::Kind::divider ? "---" : item.title);
        return shown;
    }

    static const MenuItem* find(const std::vector<MenuItem>& items, const std::string& id) {
        const auto found = std::ranges::find(items, id, &MenuItem::id);
        return found == items.end() ? nullptr : &*found;
    }
};

} // namespace tarvo::testing
