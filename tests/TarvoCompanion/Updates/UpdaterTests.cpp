#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "Platform/CurlHttpTransport.h"
#include "Support/CapturedTarvoLog.h"
#include "Support/FakeService.h"
#include "Support/LoopWithFakeClock.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/Base64.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoBase/TarvoDate.h"
#include "TarvoCompanion/Updates/FeedUpdaterController.h"
#include "TarvoCompanion/Updates/Updater.h"

using namespace tarvo;
using namespace std::chrono_literals;

namespace {

// The updater as the menu sees it: what it was told to do, in order.
class RecordingController final : public UpdaterController {
public:
    std::vector<std::string>& calls;
    bool failsToStart = false;

    explicit RecordingController(std::vector<std::string>& record) : calls(record) {}

    void setAutomaticallyChecksForUpdates(bool on) override { calls.push_back(on ? "checks on" : "checks off"); }
    void setAutomaticallyDownloadsUpdates(bool on) override { calls.push_back(on ? "downloads on" : "downloads off"); }
    void setUpdateCheckInterval(std::chrono::seconds interval) override {
        calls.push_back("interval " + std::to_string(interval.count()));
    }
    void start() override {
        calls.push_back("start");
        if (failsToStart) throw UpdaterError(4, "no feed there");
    }
    void checkForUpdates() override { calls.push_back("check"); }
};

BundleInfo bundleOf(const tarvo::testing::TemporaryFolder& folder, const std::string& text) {
    std::ofstream(folder / "bundle-info.json") << text;
    return BundleInfo::read(folder / "bundle-info.json");
}

std::vector<std::string> lines(const tarvo::testing::CapturedTarvoLog& log) {
    std::vector<std::string> texts;
    for (const LogEntry& entry : log.entries()) {
        EXPECT_EQ(entry.category, "updates");
        texts.push_back(entry.text(true));
    }
    return texts;
}

const std::string notConfigured = "updates are not configured in this build — no feed URL or no public key";

// An Ed25519 key pair made for the test, which signs feeds as the release process would.
class SigningKey {
public:
    SigningKey() : key_(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519")) {}
    ~SigningKey() { EVP_PKEY_free(key_); }

    std::string publicKeyBase64() const {
        unsigned char bytes[32];
        std::size_t length = sizeof bytes;
        EVP_PKEY_get_raw_public_key(key_, bytes, &length);
        return Base64::encode(std::string_view(reinterpret_cast<const char*>(bytes), length));
    }

    std::string signatureBase64(std::string_view message) const {
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        unsigned char signature[64];
        std::size_t length = sizeof signature;
        EVP_DigestSignInit(context, nullptr, nullptr, nullptr, key_);
        EVP_DigestSign(context, signature, &length, reinterpret_cast<const unsigned char*>(message.data()),
                       message.size());
        EVP_MD_CTX_free(context);
        return Base64::encode(std::string_view(reinterpret_cast<const char*>(signature), length)) + "\n";
    }

private:
    EVP_PKEY* key_;
};

// The updater over its real controller, with the feed on a loopback service.
struct FeedUpdates : ::testing::Test, tarvo::testing::LoopWithFakeClock {
    tarvo::testing::FakeService service;
    tarvo::testing::TemporaryFolder folder;
    tarvo::testing::CapturedTarvoLog log;
    SigningKey key;
    std::shared_ptr<MemorySettingsStore> settings = std::make_shared<MemorySettingsStore>();
    std::string feedURL = service.baseURL() + "/feed.json";

    std::unique_ptr<Updater> updater(const std::string& feed, const std::string& publicKey) {
        const BundleInfo bundle =
            bundleOf(folder, Json{{"SUFeedURL", feed}, {"SUPublicEDKey", publicKey}}.dump());
        auto make = [this](const BundleInfo& info, UpdaterDelegate& delegate) {
            return std::make_unique<FeedUpdaterController>(
                *info.string(BundleInfo::feedURLKey), *info.string(BundleInfo::publicEDKeyKey), 114,
                FeedUpdaterController::Services{std::make_shared<CurlHttpTransport>(), settings}, delegate);
        };
        return std::make_unique<Updater>(bundle, make);
    }

    void publish(const std::string& feed, const std::string& signature) {
        service.answer("GET", "/feed.json", 200, feed);
        service.answer("GET", "/feed.json.sig", 200, signature);
    }

    // Runs the loop until the log holds `count` lines.
    std::vector<std::string> untilLines(std::size_t count) {
        while (log.entries().size() < count) {
            if (!loop.runOnce()) break;
        }
        return lines(log);
    }

    std::size_t feedRequests() const { return service.requests("GET", "/feed.json").size(); }
};

} // namespace

TEST(Updater, UpdatesAreConfiguredOnlyByTwoNonEmptyStrings) {
    for (const std::string bundle : {R"({"SUFeedURL": "https://updates.test/feed.json", "SUPublicEDKey": ""})",
                                     R"({"SUFeedURL": 7, "SUPublicEDKey": "a2V5"})",
                                     R"({"SUPublicEDKey": "a2V5"})", "{}"}) {
        tarvo::testing::TemporaryFolder folder;
        tarvo::testing::CapturedTarvoLog log;
        std::vector<std::string> calls;
        bool made = false;
        Updater updater(bundleOf(folder, bundle), [&](const BundleInfo&, UpdaterDelegate&) {
            made = true;
            return std::make_unique<RecordingController>(calls);
        });
        EXPECT_FALSE(updater.hasFeed()) << bundle;
        EXPECT_FALSE(made) << bundle;
        EXPECT_EQ(lines(log), std::vector<std::string>{notConfigured}) << bundle;

        updater.checkForUpdates();
        EXPECT_EQ(lines(log).back(), "check for updates pressed in a build with no feed configured");
        EXPECT_TRUE(calls.empty());
    }
}

TEST(Updater, StartsItsControllerWithTheFixedSettings) {
    tarvo::testing::TemporaryFolder folder;
    tarvo::testing::CapturedTarvoLog log;
    std::vector<std::string> calls;
    Updater updater(bundleOf(folder, R"({"SUFeedURL": "https://updates.test/feed.json", "SUPublicEDKey": "a2V5"})"),
                    [&](const BundleInfo&, UpdaterDelegate&) { return std::make_unique<RecordingController>(calls); });
    EXPECT_TRUE(updater.hasFeed());
    EXPECT_EQ(calls, (std::vector<std::string>{"checks on", "downloads off", "interval 86400", "start"}));
    EXPECT_EQ(lines(log), std::vector<std::string>{"update checks are on, feed https://updates.test/feed.json"});
    EXPECT_EQ(log.entries()[0].format, "update checks are on, feed %{private}s");

    updater.checkForUpdates();
    EXPECT_EQ(calls.back(), "check");

    updater.didAbortWithError(UpdaterError(UpdaterError::noUpdateFound, "Nothing newer."));
    updater.didAbortWithError(UpdaterError(1002, "The update feed was refused with HTTP status 500."));
    updater.didFindValidUpdate(AppcastItem{"0.2.0", "120"});
    const std::vector<std::string> written = lines(log);
    EXPECT_EQ(std::vector<std::string>(written.begin() + 1, written.end()),
              (std::vector<std::string>{"update check finished — already on the newest build",
                                        "update check failed — The update feed was refused with HTTP status 500.",
                                        "update available — 0.2.0 (build 120)"}));
    EXPECT_EQ(log.entries()[2].level, LogLevel::error);
}

TEST(Updater, AStartThatFailsIsLoggedAndTheProgramGoesOn) {
    tarvo::testing::TemporaryFolder folder;
    tarvo::testing::CapturedTarvoLog log;
    std::vector<std::string> calls;
    Updater updater(bundleOf(folder, R"({"SUFeedURL": "https://updates.test/feed.json", "SUPublicEDKey": "a2V5"})"),
                    [&](const BundleInfo&, UpdaterDelegate&) {
                        auto controller = std::make_unique<RecordingController>(calls);
                        controller->failsToStart = true;
                        return controller;
                    });
    EXPECT_TRUE(updater.hasFeed());
    EXPECT_EQ(lines(log), std::vector<std::string>{"the updater could not start (no feed there) — continuing"});
    updater.checkForUpdates();
    EXPECT_EQ(calls.back(), "check") << "the controller is kept, not started";
}

TEST_F(FeedUpdates, ReportsEachWayACheckEnds) {
    const std::string newer = R"({"version": "0.2.0", "build": "115"})";
    const std::string same = R"({"version": "0.1.0", "build": 114})";
    struct Case {
        const char* what;
        std::string feed;
        std::string signature;
        int feedStatus;
        int signatureStatus;
        std::string line;
    };
    const std::string failed = "update check failed — ";
    for (const Case& c : std::vector<Case>{
             {"newer", newer, key.signatureBase64(newer), 200, 200, "update available — 0.2.0 (build 115)"},
             {"same", same, key.signatureBase64(same), 200, 200, "update check finished — already on the newest build"},
             {"signature of other bytes", newer, key.signatureBase64(same), 200, 200,
              failed + "The update feed's signature does not match its key."},
             {"signature not base64", newer, "not base64!", 200, 200,
              failed + "The update feed's signature does not match its key."},
             {"no signature", newer, "", 200, 404, failed + "The update feed carries no signature."},
             {"refused", "", "", 404, 404, failed + "The update feed was refused with HTTP status 404."},
             {"unreadable", "<rss/>", key.signatureBase64("<rss/>"), 200, 200,
              failed + "The update feed is not the version and build this companion reads."},
         }) {
        tarvo::testing::CapturedTarvoLog caught;
        service.answer("GET", "/feed.json", c.feedStatus, c.feed);
        service.answer("GET", "/feed.json.sig", c.signatureStatus, c.signature);
        settings->set(Json(TarvoDate::format(clock->date())), FeedUpdaterController::lastCheckKey);
        auto checking = updater(feedURL, key.publicKeyBase64());
        checking->checkForUpdates();
        while (caught.entries().size() < 2 && loop.runOnce()) {
        }
        std::vector<std::string> written;
        for (const LogEntry& entry : caught.entries()) written.push_back(entry.text(true));
        EXPECT_EQ(written, (std::vector<std::string>{"update checks are on, feed " + feedURL, c.line})) << c.what;
    }
}

TEST_F(FeedUpdates, AFeedThatDoesNotAnswerFailsTheCheck) {
    std::string gone;
    {
        tarvo::testing::FakeService closed;
        gone = closed.baseURL() + "/feed.json";
    }
    auto checking = updater(gone, key.publicKeyBase64());
    checking->checkForUpdates();
    const std::vector<std::string> written = untilLines(2);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_TRUE(written[1].starts_with("update check failed — The update feed did not come: ")) << written[1];
}

TEST_F(FeedUpdates, StartFailsForAnAddressThatIsNotAbsoluteOrAKeyThatIsNot32Bytes) {
    for (const auto& [feed, publicKey] : std::vector<std::pair<std::string, std::string>>{
             {"feed.json", key.publicKeyBase64()},
             {"/feed.json", key.publicKeyBase64()},
             {feedURL, Base64::encode(std::string(31, 'k'))},
             {feedURL, "not base64"},
         }) {
        tarvo::testing::CapturedTarvoLog caught;
        auto failing = updater(feed, publicKey);
        EXPECT_TRUE(failing->hasFeed());
        ASSERT_EQ(caught.entries().size(), 1u);
        EXPECT_TRUE(caught.entries()[0].text(true).starts_with("the updater could not start (")) << feed;
        failing->checkForUpdates();
        EXPECT_EQ(caught.entries().back().text(true),
                  "update check failed — The updater did not start, so it did not check.");
    }
    loop.runReady();
    EXPECT_EQ(feedRequests(), 0u);
}

TEST_F(FeedUpdates, ChecksByItselfOneIntervalAfterTheLastCheck) {
    const std::string same = R"({"version": "0.1.0", "build": "114"})";
    publish(same, key.signatureBase64(same));
    settings->set(Json(TarvoDate::format(clock->date() - 1h)), FeedUpdaterController::lastCheckKey);
    auto checking = updater(feedURL, key.publicKeyBase64());

    loop.advance(23h - 1s);
    EXPECT_EQ(feedRequests(), 0u);
    loop.advance(1s);
    EXPECT_EQ(untilLines(2).back(), "update check finished — already on the newest build");
    EXPECT_EQ(feedRequests(), 1u);
    EXPECT_EQ(settings->object(FeedUpdaterController::lastCheckKey), Json(TarvoDate::format(clock->date())));

    loop.advance(24h - 1s);
    EXPECT_EQ(feedRequests(), 1u);
    loop.advance(1s);
    untilLines(3);
    EXPECT_EQ(feedRequests(), 2u);
}

TEST_F(FeedUpdates, ChecksAtOnceWhenNoCheckIsKnown) {
    const std::string newer = R"({"version": "0.2.0", "build": "115"})";
    publish(newer, key.signatureBase64(newer));
    auto checking = updater(feedURL, key.publicKeyBase64());
    EXPECT_EQ(untilLines(2).back(), "update available — 0.2.0 (build 115)");
    EXPECT_EQ(feedRequests(), 1u);
    EXPECT_EQ(service.requests("GET", "/feed.json.sig").size(), 1u);
}
