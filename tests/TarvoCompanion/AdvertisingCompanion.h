#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TarvoCompanion/Companion.h"
#include "TarvoCompanion/Operator/SimulatedOperatorLink.h"
#include "TarvoCompanion/Operator/SimulatedOperatorPermissions.h"

namespace tarvo::testing {

// The companion signed in (or not) to a service of the test's, advertising what a test says.
class AdvertisingCompanion final : public Companion {
public:
    AdvertisingCompanion(Services services, std::shared_ptr<BrainClient> client)
        : Companion(std::move(services)), client_(std::move(client)) {}

    // Advertising iMessage and WhatsApp, reading WhatsApp through `whatsapp`; the Messages
    // database it looks for in `folder` is not there.
    static std::shared_ptr<AdvertisingCompanion> withWhatsApp(std::shared_ptr<SettingsStore> defaults,
                                                              std::shared_ptr<WhatsAppSession> whatsapp,
                                                              const std::filesystem::path& folder,
                                                              std::shared_ptr<ContactStore> contacts,
                                                              std::shared_ptr<BrainClient> client) {
        auto companion = std::make_shared<AdvertisingCompanion>(
            Services{
                .defaults = std::move(defaults),
                .chatDatabasePath = (folder / "missing.db").string(),
                .whatsapp = std::move(whatsapp),
                .operatorPermissions = std::make_shared<SimulatedOperatorPermissions>(),
                .operatorLink = std::make_shared<SimulatedOperatorLink>(),
                .contactStore = std::move(contacts),
            },
            std::move(client));
        companion->advertise({"imessage", "whatsapp"});
        return companion;
    }

    std::shared_ptr<BrainClient> client() override { return client_; }
    void advertise(std::vector<std::string> channels) { mutableState().enabledChannels = std::move(channels); }
    const std::optional<CaptureReport>& lastCapture() const { return lastCapture_; }

private:
    std::shared_ptr<BrainClient> client_;
};

} // namespace tarvo::testing
