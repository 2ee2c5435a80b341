#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CompanionTest.h"
#include "Platform/CurlHttpTransport.h"
#include "Support/CapturedPlainLog.h"
#include "Support/FakeService.h"
#include "Support/RefusingPort.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/TarvoDate.h"
#include "TarvoClient/MemoryHttpTransport.h"

using namespace std::chrono_literals;
using tarvo::BrainClient;
using tarvo::Companion;
using tarvo::CompanionState;
using tarvo::Json;
using tarvo::OperatorWakeSignal;
using tarvo::SecretStore;
using tarvo::spawn;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::CompanionTest;
using tarvo::testing::FakeService;
using tarvo::testing::Gate;
using tarvo::testing::RecordingWebView;
using tarvo::testing::RefusingPort;
using tarvo::testing::ScriptedAnswer;
using tarvo::testing::SigningInCompanion;
using Lines = std::vector<std::string>;

namespace {

const std::string startPath = "/v1/devices/pair/start";
const std::string pollPath = "/v1/devices/pair/poll";
const std::string refreshPath = "/v1/auth/refresh";

const SecretStore::Secrets firstPair{{"accessToken", "access-1"}, {"refreshToken", "refresh-1"}};
const SecretStore::Secrets pairedPair{{"accessToken", "access-new"}, {"refreshToken", "refresh-new"}};

Json started(std::int64_t expiresIn = 900, std::int64_t interval = 5) {
    return Json{{"userCode", "WXYZ 1&2"},
                {"deviceCode", "device-code-1"},
                {"verificationUrl", "https://tarvo.example/pair?old=1#top"},
                {"expiresInSeconds", expiresIn},
                {"intervalSeconds", interval}};
}

Json polled(const std::string& status) {
    if (status != "approved") return Json{{"status", status}};
    return Json{{"status", "approved"},
                {"accessToken", "access-new"},
                {"refreshToken", "refresh-new"},
                {"deviceId", "device-new"},
                {"userId", "user-1"}};
}

bool contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool containsText(const std::string& page, const std::string& text) { return page.find(text) != std::string::npos; }

struct SignInTest : CompanionTest {
    FakeService service;

    SignInTest() {
        session = std::make_shared<tarvo::CurlHttpTransport>();
        defaults->set(Json(service.baseURL()), "TarvoApiURL");
    }

    // A companion that finds this computer paired and its tokens stored.
    std::shared_ptr<SigningInCompanion> signedInCompanion() {
        defaults->set(Json("device-9"), Companion::deviceIdKey);
        secrets->write(firstPair);
        auto companion = makeCompanion<SigningInCompanion>();
        companion->launch();
        settle();
        EXPECT_TRUE(companion->state().signIn.isSignedIn());
        return companion;
    }

    // Runs the loop without moving the clock until `done`, also while a worker waits at a gate
    // (which `settle` would wait for).
    bool runUntil(const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + 30s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit) return false;
            if (loop.runReady() == 0) std::this_thread::yield();
        }
        return true;
    }

    // A renewal of the current client's tokens, held at the service until the gate opens.
    std::shared_ptr<Gate> renewalInFlight(Companion& companion) {
        auto gate = std::make_shared<Gate>();
        service.answer("POST", refreshPath,
                       ScriptedAnswer{200, R"({"accessToken":"access-2","refreshToken":"refresh-2"})", {}, 0ms, gate});
        spawn(companion.client()->renew());
        EXPECT_TRUE(runUntil([this] { return !service.requests("POST", refreshPath).empty(); }));
        return gate;
    }

    bool linkWasWoken() {
        std::optional<bool> woken;
        link->wake->arm(OperatorWakeSignal::Seconds(0), [&woken](bool signalled) { woken = signalled; });
        link->wake->cancelWait();
        return woken == true;
    }
};

} // namespace

TEST_F(SignInTest, APairingApprovedAfterTwoPendingPollsStoresTheTokensAndSignsIn) {
    service.answerJson("POST", startPath, 200, started());
    service.queue("POST", pollPath, 200, polled("pending").dump());
    service.queue("POST", pollPath, 200, polled("pending").dump());
    service.answerJson("POST", pollPath, 200, polled("approved"));
    auto companion = makeCompanion<SigningInCompanion>();
    CapturedPlainLog log;

    companion->launch();
    settle();
    EXPECT_EQ(companion->pairingCode(), "WXYZ 1&2");
    const std::string address = "https://tarvo.example/pair?code=WXYZ%201%262#top";
    EXPECT_EQ(opener->opened, Lines{address});
    EXPECT_TRUE(contains(log.lines(), "tarvo: to sign in, approve this computer at " + address +
                                          " — the page shows the code WXYZ 1&2"));
    const Json startBody = Json::parse(service.requests("POST", startPath).at(0).body);
    EXPECT_EQ(startBody.at("installId"), defaults->object("TarvoInstallId"));
    // Only a reloaded companion sees a channel id stored after it was made.
    defaults->set(Json("imessage-7"), "TarvoImessageChannelId");
    script->steps.clear();

    runFor(14s);
    EXPECT_EQ(service.requests("POST", pollPath).size(), 2u);
    EXPECT_FALSE(companion->state().signIn.isSignedIn());
    EXPECT_EQ(secrets->all(), SecretStore::Secrets{});
    runFor(1s);

    EXPECT_EQ(service.requests("POST", pollPath).size(), 3u);
    EXPECT_EQ(secrets->all(), pairedPair);
    EXPECT_EQ(defaults->object("TarvoDeviceId"), Json("device-new"));
    EXPECT_EQ(companion->settings().credentials, (BrainClient::Credentials{"access-new", "refresh-new", "device-new"}));
    EXPECT_EQ(companion->settings().imessageChannelId, "imessage-7");
    EXPECT_EQ(companion->state().signIn, CompanionState::SignIn::signedIn(""));
    EXPECT_EQ(companion->pairingCode(), std::nullopt);
    EXPECT_EQ(stepsWithout("relay"), (Lines{"15 heartbeat", "15 capture", "15 whatsapp"}));
    EXPECT_TRUE(linkWasWoken());
    EXPECT_EQ(companion->client()->currentAccessToken(), "access-new");
}

TEST_F(SignInTest, APairingThatIsNotApprovedEndsWithItsSentenceAndKeepsThePreviousSignIn) {
    RefusingPort refusing;
    struct Case {
        std::string name;
        std::optional<Json> start;
        std::optional<Json> poll;
        std::string blockedReason;
        std::size_t polls;
    };
    const Case cases[] = {
        {"denied", started(), polled("denied"), "That request was refused on the web. Nothing was connected.", 1},
        {"expired", started(), polled("expired"), "That code expired before it was approved. Try again.", 1},
        {"no time to approve", started(0), std::nullopt, "That code expired before it was approved. Try again.", 0},
        {"deadline while pending", started(12), polled("pending"),
         "That code expired before it was approved. Try again.", 3},
        {"start refused", Json{{"message", "Pairing is paused."}}, std::nullopt, "Pairing is paused.", 0},
        {"service unreachable", std::nullopt, std::nullopt, "Could not reach Tarvo: 127.0.0.1 — ", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeService pairing;
        if (c.start) pairing.answerJson("POST", startPath, c.start->contains("userCode") ? 200 : 503, *c.start);
        if (c.poll) pairing.answerJson("POST", pollPath, 200, *c.poll);
        defaults->set(Json(c.start ? pairing.baseURL() : refusing.baseURL()), "TarvoApiURL");
        auto companion = signedInCompanion();
        CapturedPlainLog log;

        companion->beginSignIn();
        runFor(20s);

        EXPECT_TRUE(companion->state().blockedReason.value_or("").starts_with(c.blockedReason))
            << companion->state().blockedReason.value_or("");
        EXPECT_TRUE(contains(log.lines(), "tarvo: the sign-in ended without connecting this Mac — " +
                                              companion->state().blockedReason.value_or("")));
        EXPECT_EQ(pairing.requests("POST", pollPath).size(), c.polls);
        EXPECT_EQ(companion->pairingCode(), std::nullopt);
        EXPECT_TRUE(companion->state().signIn.isSignedIn());
        EXPECT_EQ(secrets->all(), firstPair);
        EXPECT_EQ(companion->settings().credentials, (BrainClient::Credentials{"access-1", "refresh-1", "device-9"}));
    }
}

TEST_F(SignInTest, StartUpSignsInFromTheStoredTokensOrBeginsASignIn) {
    service.answerJson("POST", startPath, 200, started());
    service.answerJson("POST", pollPath, 200, polled("pending"));
    struct Case {
        std::string name;
        std::optional<std::string> deviceId;
        SecretStore::Secrets stored;
        bool signedIn;
    };
    const Case cases[] = {
        {"paired, both tokens", "device-9", firstPair, true},
        {"never paired", std::nullopt, firstPair, false},
        {"paired, no tokens", "device-9", {}, false},
        {"paired, no refresh token", "device-9", {{"accessToken", "access-1"}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        defaults->set(c.deviceId ? std::optional(Json(*c.deviceId)) : std::nullopt, Companion::deviceIdKey);
        secrets = std::make_shared<tarvo::MemorySecretStore>(c.stored);
        const std::size_t startsBefore = service.requests("POST", startPath).size();

        auto companion = makeCompanion<SigningInCompanion>();
        companion->launch();
        settle();

        EXPECT_EQ(companion->state().signIn.isSignedIn(), c.signedIn);
        EXPECT_EQ(service.requests("POST", startPath).size() - startsBefore, c.signedIn ? 0u : 1u);
        if (c.signedIn) {
            EXPECT_EQ(companion->settings().credentials, (BrainClient::Credentials{"access-1", "refresh-1", "device-9"}));
            EXPECT_EQ(companion->client()->currentAccessToken(), "access-1");
        } else {
            EXPECT_EQ(companion->pairingCode(), "WXYZ 1&2");
            EXPECT_EQ(companion->client(), nullptr);
        }
    }
}

TEST_F(SignInTest, ARenewalEndingAfterAChangeOfSignInStoresNothing) {
    struct Case {
        std::string name;
        std::function<void(Companion&)> meanwhile;
        SecretStore::Secrets stored;
    };
    const Case cases[] = {
        {"no change", [](Companion&) {}, {{"accessToken", "access-2"}, {"refreshToken", "refresh-2"}}},
        {"signed out", [](Companion& companion) { companion.signOut(); }, {}},
        {"session gone", [](Companion& companion) { companion.endSession("the service forgot this Mac"); }, firstPair},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        secrets = std::make_shared<tarvo::MemorySecretStore>();
        auto companion = signedInCompanion();
        const auto gate = renewalInFlight(*companion);
        CapturedPlainLog log;

        c.meanwhile(*companion);
        gate->open();
        settle();

        EXPECT_EQ(secrets->all(), c.stored);
        const bool kept = c.name == "no change";
        EXPECT_EQ(contains(log.lines(), "tarvo: rotated this Mac's session tokens"), kept);
        if (kept) {
            EXPECT_EQ(companion->settings().credentials, (BrainClient::Credentials{"access-2", "refresh-2", "device-9"}));
        }
    }
}

TEST_F(SignInTest, TheOldClientsRenewalCannotOverwriteARepairingsTokens) {
    service.answerJson("POST", startPath, 200, started(60, 1));
    service.answerJson("POST", pollPath, 200, polled("approved"));
    auto companion = signedInCompanion();
    const auto gate = renewalInFlight(*companion);

    companion->beginSignIn();
    ASSERT_TRUE(runUntil([&] { return companion->pairingCode().has_value(); }));
    loop.advance(1s);
    ASSERT_TRUE(runUntil([&] { return secrets->all() == pairedPair; }));
    gate->open();
    settle();

    EXPECT_EQ(secrets->all(), pairedPair);
    EXPECT_EQ(companion->settings().credentials, (BrainClient::Credentials{"access-new", "refresh-new", "device-new"}));
    EXPECT_EQ(companion->client()->currentAccessToken(), "access-new");
}

TEST_F(SignInTest, AGoneSessionLeavesNoClientUntilTheNextStartAndIsLoggedOnce) {
    auto companion = signedInCompanion();
    CapturedPlainLog log;

    companion->endSession("Tarvo could not renew this Mac's sign-in.");
    companion->endSession("again");

    EXPECT_EQ(log.lines(), Lines{"tarvo: this Mac's session is GONE (Tarvo could not renew this Mac's sign-in.) — "
                                 "capture and relay are stopping until somebody signs in again. Nothing captured is "
                                 "lost."});
    EXPECT_EQ(companion->state().signIn, CompanionState::SignIn::signedOut());
    EXPECT_EQ(companion->state().blockedReason, "This Mac is signed out of Tarvo. Choose Sign in to reconnect it.");
    EXPECT_EQ(companion->client(), nullptr);
    EXPECT_EQ(secrets->all(), firstPair);
    EXPECT_EQ(defaults->object("TarvoDeviceId"), Json("device-9"));

    auto restarted = makeCompanion<SigningInCompanion>();
    restarted->launch();
    settle();
    EXPECT_EQ(restarted->client()->currentAccessToken(), "access-1");
}

TEST_F(SignInTest, SigningOutForgetsTheCredentialsTheDeviceIdAndTheChannelsButNotTheAddresses) {
    defaults->set(Json("https://web.example"), "TarvoBaseURL");
    for (const char* key : {"TarvoImessageChannelId", "TarvoSmsChannelId", "TarvoWhatsappChannelId"}) {
        defaults->set(Json("channel"), key);
    }
    auto companion = signedInCompanion();
    CapturedPlainLog log;

    companion->signOut();

    auto expected = tarvo::CompanionSettings::load(*defaults);
    expected.imessageChannelId = expected.smsChannelId = expected.whatsappChannelId = std::nullopt;
    EXPECT_EQ(companion->settings(), expected);
    EXPECT_EQ(companion->settings().baseURL, "https://web.example");
    EXPECT_EQ(secrets->all(), SecretStore::Secrets{});
    EXPECT_EQ(defaults->object("TarvoDeviceId"), std::nullopt);
    EXPECT_EQ(companion->state().signIn, CompanionState::SignIn::signedOut());
    EXPECT_EQ(companion->client(), nullptr);
    EXPECT_EQ(log.lines(), (Lines{"tarvo: signed out — credentials forgotten, this Mac has stopped relaying",
                                  "tarvo: the setup window is in front"}));
}

TEST_F(SignInTest, ThePanelsSignInShowsTheCodeThenReloadsThePanelOrOffersTheButtonAgain) {
    for (const std::string answer : {"approved", "denied"}) {
        SCOPED_TRACE(answer);
        FakeService pairing;
        pairing.answerJson("POST", startPath, 200, started());
        pairing.answerJson("POST", pollPath, 200, polled(answer));
        pairing.answer("POST", "/api/auth/companion", 200);
        defaults->set(Json(pairing.baseURL()), "TarvoApiURL");
        defaults->set(Json(pairing.baseURL()), "TarvoBaseURL");
        panelWebView = std::make_shared<RecordingWebView>();
        auto companion = makeCompanion<SigningInCompanion>();
        companion->showPanelSignIn();
        CapturedPlainLog log;

        companion->signInFromPanel();
        settle();
        companion->signInFromPanel();
        runFor(5s);

        EXPECT_EQ(pairing.requests("POST", startPath).size(), 1u);
        EXPECT_TRUE(contains(log.lines(), "tarvo: pairing already running — ignoring a second panel sign-in press"));
        const auto& loads = panelWebView->loads;
        ASSERT_EQ(loads.size(), 3u);
        EXPECT_TRUE(containsText(loads[0].text, "tarvo-panel:signin"));
        EXPECT_TRUE(loads[1].isHTML);
        EXPECT_TRUE(containsText(loads[1].text, "<div class=\"code\">WXYZ 1&amp;2</div>"));
        if (answer == "approved") {
            EXPECT_TRUE(contains(log.lines(), "tarvo: pairing from the panel succeeded — reloading the panel"));
            EXPECT_FALSE(loads[2].isHTML);
            EXPECT_EQ(loads[2].text, companion->settings().baseURL + "/app");
            EXPECT_FALSE(companion->panelShowingSignIn());
        } else {
            EXPECT_TRUE(loads[2].isHTML);
            EXPECT_TRUE(containsText(loads[2].text, "tarvo-panel:signin"));
            EXPECT_TRUE(companion->panelShowingSignIn());
        }
        companion->signInFromPanel();
        runFor(5s);
        EXPECT_EQ(pairing.requests("POST", startPath).size(), 2u) << "a finished pairing lets the panel start another";
    }
}

namespace {

// Answers every exchange at once, with a renewed pair.
class AnsweringAtOnce final : public tarvo::HttpTransport {
public:
    tarvo::Task<Response> perform(Request) override {
        co_return Response{200, R"({"accessToken":"access-2","refreshToken":"refresh-2"})"};
    }
};

} // namespace

TEST_F(SignInTest, RenewedTokensAreStoredBeforeTheRenewalsCallerResumes) {
    session = std::make_shared<AnsweringAtOnce>();
    auto companion = signedInCompanion();
    std::optional<SecretStore::Secrets> storedAtResume;
    auto renewAndLook = [](std::shared_ptr<BrainClient> client, std::shared_ptr<tarvo::MemorySecretStore> store,
                           std::optional<SecretStore::Secrets>* seen) -> tarvo::Task<void> {
        co_await client->renew();
        *seen = store->all();
    };
    CapturedPlainLog log;

    spawn(renewAndLook(companion->client(), secrets, &storedAtResume));
    settle();
    EXPECT_EQ(storedAtResume, (SecretStore::Secrets{{"accessToken", "access-2"}, {"refreshToken", "refresh-2"}}));
    EXPECT_EQ(companion->settings().credentials, (BrainClient::Credentials{"access-2", "refresh-2", "device-9"}));
    EXPECT_TRUE(contains(log.lines(), "tarvo: rotated this Mac's session tokens"));
}

TEST_F(SignInTest, ASignInThatCannotReachTheServiceIsTriedAgainLaterAndLongerApart) {
    auto memory = std::make_shared<tarvo::MemoryHttpTransport>();
    int unreachableStarts = 4;
    memory->answerBy("POST", startPath, [&unreachableStarts](const tarvo::HttpTransport::Request&) {
        if (unreachableStarts-- > 0) throw tarvo::HttpTransport::Failure("Connection refused");
        return tarvo::HttpTransport::Response{200, started(900, 1).dump()};
    });
    memory->answer("POST", pollPath, {200, polled("approved").dump()});
    session = memory;
    auto companion = makeCompanion<SigningInCompanion>();
    CapturedPlainLog log;
    const auto startsAfter = [&](std::chrono::seconds span) {
        runFor(span);
        return memory->requests("POST", startPath).size();
    };

    companion->launch();
    settle();
    EXPECT_EQ(companion->signInRetryAt(), clock->date() + 5s);
    EXPECT_TRUE(contains(log.lines(), "tarvo: could not reach Tarvo to sign in — trying again at " +
                                          tarvo::TarvoDate::format(clock->date() + 5s) +
                                          ", or at once with `tarvo-companion pair`"));
    // Tried at 0, 5, 15, 35 and 75 s: each wait twice the one before.
    EXPECT_EQ(startsAfter(4s), 1u);
    EXPECT_EQ(startsAfter(2s), 2u);
    EXPECT_EQ(startsAfter(8s), 2u);
    EXPECT_EQ(startsAfter(2s), 3u);
    EXPECT_EQ(startsAfter(18s), 3u);
    EXPECT_EQ(startsAfter(2s), 4u);
    EXPECT_EQ(companion->signInNextStep(), "could not reach Tarvo to sign in — trying again at " +
                                               tarvo::TarvoDate::format(clock->date() + 39s) +
                                               ", or at once with `tarvo-companion pair`");
    EXPECT_EQ(startsAfter(38s), 4u);
    EXPECT_EQ(startsAfter(2s), 5u);
    runFor(2s);

    EXPECT_TRUE(companion->state().signIn.isSignedIn());
    EXPECT_EQ(secrets->all(), pairedPair);
    EXPECT_EQ(companion->signInRetryAt(), std::nullopt);
    EXPECT_EQ(companion->signInNextStep(), std::nullopt);
}

TEST_F(SignInTest, AfterTheServiceEndedTheSessionASignInOnRequestReplacesTheKeptPair) {
    service.answerJson("POST", startPath, 200, started(900, 1));
    auto companion = signedInCompanion();
    companion->endSession("Tarvo could not renew this Mac's sign-in.");
    EXPECT_EQ(companion->signInNextStep(),
              "the service ended this computer's session — sign in again with `tarvo-companion pair`");
    Lines replies;
    const auto reply = [&replies](std::string line) { replies.push_back(std::move(line)); };

    companion->pairOnRequest(reply);
    settle();
    companion->pairOnRequest(reply);
    const std::string approval = "approve this computer at https://tarvo.example/pair?code=WXYZ%201%262#top — the "
                                 "page shows the code WXYZ 1&2";
    EXPECT_EQ(replies, (Lines{approval, approval}));
    EXPECT_EQ(service.requests("POST", startPath).size(), 1u);
    EXPECT_EQ(companion->signInNextStep(), "waiting for approval: " + approval);
    EXPECT_EQ(secrets->all(), firstPair);

    service.answerJson("POST", pollPath, 200, polled("approved"));
    runFor(2s);
    EXPECT_EQ(companion->state().signIn, CompanionState::SignIn::signedIn(""));
    EXPECT_EQ(secrets->all(), pairedPair);
    EXPECT_EQ(defaults->object("TarvoDeviceId"), Json("device-new"));
    EXPECT_EQ(companion->client()->currentAccessToken(), "access-new");
}

TEST_F(SignInTest, ApprovalWithMessagesUnreadableSaysWhatToGrantAndSigningOutShowsTheSetupWindow) {
    service.answerJson("POST", startPath, 200, started(900, 1));
    service.answerJson("POST", pollPath, 200, polled("approved"));
    auto companion = makeCompanion<SigningInCompanion>();
    CapturedPlainLog log;

    companion->launch();
    runFor(2s);
    ASSERT_TRUE(companion->state().signIn.isSignedIn());
    EXPECT_TRUE(contains(log.lines(), "tarvo: signed in, but Messages cannot be read — " +
                                          (folder / "missing-chat.db").string() +
                                          ": no file there; give this program read access to it"));
    EXPECT_TRUE(contains(log.lines(), "tarvo: this computer has no settings pane " +
                                          std::string(Companion::fullDiskAccessAddress) + " to open"));

    companion->signOut();
    ASSERT_NE(companion->setupWindow(), nullptr);
    EXPECT_TRUE(companion->setupWindow()->isVisible());
}

TEST(CompanionSignInPage, TheCodeIsEscapedAndOnlyThePageWithoutOneOffersTheSignInLink) {
    const std::string withCode = Companion::signInPage("<b>&amp;\"'");
    EXPECT_TRUE(containsText(withCode, "<div class=\"code\">&lt;b&gt;&amp;amp;&quot;&#39;</div>")) << withCode;
    EXPECT_FALSE(containsText(withCode, "<b>"));
    EXPECT_FALSE(containsText(withCode, "tarvo-panel:signin"));
    EXPECT_TRUE(containsText(withCode, "Waiting for you to approve it…"));

    const std::string withoutCode = Companion::signInPage(std::nullopt);
    EXPECT_TRUE(containsText(withoutCode, "<a class=\"button\" href=\"tarvo-panel:signin\">Sign in</a>"));
    EXPECT_FALSE(containsText(withoutCode, "class=\"code\""));
    for (const std::string& page : {withCode, withoutCode}) {
        EXPECT_TRUE(containsText(page, "<meta name=\"color-scheme\" content=\"dark\">"));
        EXPECT_TRUE(containsText(page, "This Mac needs to sign in again"));
    }
}
