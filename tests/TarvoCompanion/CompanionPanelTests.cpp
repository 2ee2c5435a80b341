#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CompanionTest.h"
#include "Platform/CurlHttpTransport.h"
#include "Support/CapturedPlainLog.h"
#include "Support/FakeService.h"
#include "TarvoCore/Panel/CookieJar.h"

using namespace std::chrono_literals;
using tarvo::BrainClient;
using tarvo::Companion;
using tarvo::Cookie;
using tarvo::CookieJar;
using tarvo::Json;
using tarvo::PanelNavigation;
using tarvo::SecretStore;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::CompanionTest;
using tarvo::testing::FakeService;
using tarvo::testing::RecordingWebView;
using tarvo::testing::ScriptedAnswer;
using tarvo::testing::ScriptedCompanion;
using tarvo::testing::SigningInCompanion;
using Lines = std::vector<std::string>;
using Load = RecordingWebView::Load;

namespace {

const std::string sessionPath = "/api/auth/companion";
const std::string refreshPath = "/v1/auth/refresh";
const SecretStore::Secrets storedPair{{"accessToken", "access-1"}, {"refreshToken", "refresh-1"}};
const std::string renewedPair = R"({"accessToken":"access-2","refreshToken":"refresh-2"})";
const std::string expiredSentence = "This Mac's connection to Tarvo has expired. Choose Sign in to reconnect it.";

bool contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A companion whose failure note the test can call.
class NotingCompanion final : public ScriptedCompanion {
public:
    using ScriptedCompanion::ScriptedCompanion;
    using Companion::note;
};

struct PanelTest : CompanionTest {
    FakeService service;
    std::filesystem::path cookieFile = folder / "data" / "com.tarvo.companion" / "panel-cookies.json";

    PanelTest() {
        session = std::make_shared<tarvo::CurlHttpTransport>();
        defaults->set(Json(service.baseURL()), "TarvoApiURL");
        defaults->set(Json(service.baseURL()), "TarvoBaseURL");
        defaults->set(Json("device-9"), Companion::deviceIdKey);
    }

    // Paired, its tokens stored, its cookies kept in the file.
    template <class C = SigningInCompanion>
    std::shared_ptr<C> signedIn() {
        secrets->write(storedPair);
        panelCookies = std::make_shared<CookieJar>(cookieFile);
        auto companion = makeCompanion<C>();
        companion->launch();
        settle();
        EXPECT_TRUE(companion->state().signIn.isSignedIn());
        return companion;
    }

    void followToLogin(Companion& companion) {
        const PanelNavigation::Action action{service.baseURL() + "/login", service.baseURL() + "/app"};
        companion.panelWindow()->navigation->decidePolicy(action, [](PanelNavigation::Answer) {});
        settle();
    }

    Load page(const std::string& path) const { return {false, service.baseURL() + path}; }
};

} // namespace

TEST_F(PanelTest, ASessionOfTwoCookiesOutlivesItsJarAndThePageFollows) {
    ScriptedAnswer minted{200, "{}"};
    minted.headers = {{"Set-Cookie", "tarvo_session=s1; Path=/; Max-Age=3600; Secure; HttpOnly"},
                      {"Set-Cookie", "theme=dark; Expires=Wed, 09 Jun 2100 10:18:14 GMT"},
                      {"Set-Cookie", "elsewhere=1; Domain=other.example; Max-Age=3600"}};
    service.answer("POST", sessionPath, minted);
    auto companion = signedIn();
    CapturedPlainLog log;
    companion->openPanelWindow("/app/settings");
    settle();

    const auto posts = service.requests("POST", sessionPath);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].body, "{}");
    EXPECT_EQ(posts[0].header("content-type"), "application/json");
    EXPECT_EQ(posts[0].header("authorization"), "Bearer access-1");
    EXPECT_EQ(posts[0].header("x-tarvo-device"), "device-9");
    EXPECT_EQ(posts[0].header("x-tarvo-platform"), "macos");
    EXPECT_EQ(posts[0].header("x-tarvo-build"), "114");
    EXPECT_EQ(posts[0].header("x-tarvo-version"), "0.1.0");
    EXPECT_EQ(panelWebView->loads, std::vector<Load>{page("/app/settings")});
    EXPECT_TRUE(companion->panelSignedIn());
    EXPECT_EQ(log.lines(), (Lines{"tarvo: refused a panel cookie — its domain other.example is not this site's (127.0.0.1)",
                                  "tarvo: panel session established (2 cookie(s))"}));
    const auto* window = companion->panelWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->title, "Tarvo");
    EXPECT_EQ(std::pair(window->width, window->height), std::pair(1100, 760));
    EXPECT_TRUE(window->visible && window->key);
    EXPECT_EQ(panelWebView->navigation, window->navigation);
    EXPECT_TRUE(panelWebView->shown);

    const auto now = clock->date();
    const std::vector<Cookie> kept{
        {"tarvo_session", "s1", "127.0.0.1", true, "/", now + 3600s, true, true},
        {"theme", "dark", "127.0.0.1", true, "/api/auth",
         std::chrono::sys_days(std::chrono::year(2100) / 6 / 9) + 10h + 18min + 14s, false, false},
    };
    EXPECT_EQ(CookieJar(cookieFile).cookies(now), kept);

    // A signed-in panel trusts its cookies: opening it again asks nothing.
    companion->openPanelWindow("/app/brain");
    settle();
    EXPECT_EQ(service.requests("POST", sessionPath).size(), 1u);
    EXPECT_EQ(panelWebView->loads, (std::vector<Load>{page("/app/settings"), page("/app/brain")}));
}

TEST_F(PanelTest, EachAnswerToTheSessionRequestShowsItsPage) {
    const std::string couldNotSignIn =
        "Tarvo could not sign this window in just now. Everything else keeps working — try opening it again in a "
        "moment.";
    struct Case {
        const char* name;
        std::vector<int> answers;
        int renewal;
        std::size_t posts;
        bool showsPage;
        bool showsUnreachable;
        bool signedIn;
        std::optional<std::string> blockedReason;
        std::string line;
    };
    const Case cases[] = {
        {"401, renewed, 200", {401, 200}, 200, 2, true, false, true, std::nullopt,
         "tarvo: panel session established (0 cookie(s))"},
        {"401, renewed, 429", {401, 429}, 200, 2, true, false, false, std::nullopt,
         "tarvo: panel session rate-limited, reusing the session already in this window"},
        {"401, renewed, 401", {401, 401}, 200, 2, false, false, false, expiredSentence,
         "tarvo: panel session refused — showing the in-window sign-in button"},
        {"401, renewal refused", {401}, 401, 1, false, false, false, expiredSentence,
         "tarvo: renewing for the panel failed: 401 invalid_token: Tarvo could not renew this Mac's sign-in."},
        {"500", {500}, 200, 1, false, true, false, couldNotSignIn, "tarvo: panel session refused (500)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeService fresh;
        defaults->set(Json(fresh.baseURL()), "TarvoApiURL");
        defaults->set(Json(fresh.baseURL()), "TarvoBaseURL");
        for (const int status : c.answers) fresh.queue("POST", sessionPath, status);
        fresh.answer("POST", refreshPath, c.renewal, c.renewal == 200 ? renewedPair : "");
        panelWebView->loads.clear();
        auto companion = signedIn();
        const auto blockedBefore = companion->state().blockedReason;
        CapturedPlainLog log;
        companion->openPanelWindow("/app");
        settle();

        const auto posts = fresh.requests("POST", sessionPath);
        ASSERT_EQ(posts.size(), c.posts);
        if (c.posts == 2) {
            EXPECT_EQ(posts[1].header("authorization"), "Bearer access-2");
        }
        EXPECT_EQ(fresh.requests("POST", refreshPath).size(), c.answers[0] == 401 ? 1u : 0u);
        ASSERT_EQ(panelWebView->loads.size(), 1u);
        const Load& shown = panelWebView->loads[0];
        if (c.showsPage) {
            EXPECT_EQ(shown, (Load{false, fresh.baseURL() + "/app"}));
        } else if (c.showsUnreachable) {
            EXPECT_EQ(shown, (Load{true, Companion::unreachablePage}));
            EXPECT_NE(shown.text.find("Tarvo cannot reach the server"), std::string::npos);
        } else {
            EXPECT_EQ(shown, (Load{true, Companion::signInPage(std::nullopt)}));
            EXPECT_TRUE(companion->panelShowingSignIn());
        }
        EXPECT_EQ(companion->panelSignedIn(), c.signedIn);
        EXPECT_EQ(companion->state().blockedReason, c.blockedReason ? c.blockedReason : blockedBefore);
        EXPECT_TRUE(contains(log.lines(), c.line)) << ::testing::PrintToString(log.lines());
    }
}

TEST_F(PanelTest, ALapsedSessionIsReMintedSilentlyOncePerOpening) {
    service.answer("POST", sessionPath, 200);
    auto companion = signedIn();
    companion->openPanelWindow("/app");
    settle();
    ASSERT_EQ(service.requests("POST", sessionPath).size(), 1u);

    CapturedPlainLog log;
    followToLogin(*companion);
    EXPECT_EQ(service.requests("POST", sessionPath).size(), 2u) << "the first lapse asks again";
    EXPECT_TRUE(contains(log.lines(), "tarvo: re-minted the panel session — nobody had to sign in"));

    followToLogin(*companion);
    EXPECT_EQ(service.requests("POST", sessionPath).size(), 2u) << "the second lapse asks nothing";
    EXPECT_TRUE(contains(log.lines(), "tarvo: the panel session lapsed again after a re-mint — asking for a sign-in"));
    EXPECT_EQ(panelWebView->loads, (std::vector<Load>{page("/app"), page("/app"),
                                                      Load{true, Companion::signInPage(std::nullopt)}}));
    EXPECT_TRUE(companion->panelShowingSignIn());

    companion->openPanelWindow("/app");
    settle();
    followToLogin(*companion);
    EXPECT_EQ(service.requests("POST", sessionPath).size(), 3u) << "reopening allows one re-mint again";
    EXPECT_EQ(panelWebView->loads.back(), page("/app"));
    EXPECT_FALSE(companion->panelShowingSignIn());
}

TEST_F(PanelTest, ANoteEndsTheSessionOnlyWhenTheFailureSaysItIsGone) {
    using Failure = BrainClient::Failure;
    struct Case {
        std::exception_ptr error;
        std::string line;
        bool endsSession;
    };
    const Case cases[] = {
        {std::make_exception_ptr(Failure::http(401, "reuse_detected", "Used twice.")),
         "tarvo: heartbeat failed: 401 reuse_detected: Used twice.", true},
        {std::make_exception_ptr(Failure::http(401, "invalid_token", "Unknown.")),
         "tarvo: heartbeat failed: 401 invalid_token: Unknown.", true},
        {std::make_exception_ptr(Failure::http(401, "expired", "Old.")), "tarvo: heartbeat failed: 401 expired: Old.",
         false},
        {std::make_exception_ptr(Failure::http(500, "boom", "Down.")), "tarvo: heartbeat failed: 500 boom: Down.",
         false},
        {std::make_exception_ptr(std::runtime_error("disk on fire")), "tarvo: heartbeat failed: disk on fire", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto companion = signedIn<NotingCompanion>();
        CapturedPlainLog log;
        companion->note(c.error, "heartbeat");

        ASSERT_FALSE(log.lines().empty());
        EXPECT_EQ(log.lines()[0], c.line);
        EXPECT_EQ(log.lines().size(), c.endsSession ? 2u : 1u);
        EXPECT_EQ(companion->state().signIn.isSignedIn(), !c.endsSession);
    }
}
