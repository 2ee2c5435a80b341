#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "TarvoBase/SettingsStore.h"
#include "TarvoBase/Task.h"
#include "TarvoBase/Timer.h"
#include "TarvoClient/HttpTransport.h"
#include "TarvoCompanion/Updates/UpdaterController.h"
#include "TarvoCompanion/Updates/UpdaterDelegate.h"

namespace tarvo {

// The updater of this program: the feed is a small JSON document, {"version": "0.2.0",
// "build": "120"}, at the feed address, and its Ed25519 signature over the feed's exact bytes,
// in base64, at the same address followed by ".sig". A feed whose build is newer than this one
// is a valid update; nothing is downloaded or installed. Automatic checks run on the loop's
// clock one interval after the last check, which is kept in the settings so a restart keeps
// the rhythm. Lives on the main loop.
class FeedUpdaterController final : public UpdaterController {
public:
    // When the last check ended, as a date in the settings.
    static constexpr std::string_view lastCheckKey = "TarvoLastUpdateCheck";

    struct Services {
        std::shared_ptr<HttpTransport> transport;
        std::shared_ptr<SettingsStore> settings;
    };

    // `publicKey` is the base64 of the 32-byte key; `currentBuild` is this program's build.
    FeedUpdaterController(std::string feedURL, std::string publicKey, std::int64_t currentBuild, Services services,
                          UpdaterDelegate& delegate);
    ~FeedUpdaterController() override;

    FeedUpdaterController(const FeedUpdaterController&) = delete;
    FeedUpdaterController& operator=(const FeedUpdaterController&) = delete;

    void setAutomaticallyChecksForUpdates(bool on) override;
    void setAutomaticallyDownloadsUpdates(bool on) override;
    void setUpdateCheckInterval(std::chrono::seconds interval) override;

    // Fails when the feed address is not an absolute http or https address, or the key is not
    // the base64 of 32 bytes.
    void start() override;
    // A check while one is running joins it.
    void checkForUpdates() override;

private:
    struct State;

    static Task<void> check(std::weak_ptr<State> weak);
    static void scheduleNext(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
};

} // namespace tarvo
