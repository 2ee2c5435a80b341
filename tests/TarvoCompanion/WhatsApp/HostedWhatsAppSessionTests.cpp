#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "SessionTest.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/OneShotResult.h"

namespace tarvo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using Kind = PageHost::Failure::Kind;

// The message of what the call threw; nothing when it did not.
Task<std::optional<std::string>> failingCall(Task<int> call) {
    try {
        co_await std::move(call);
    } catch (const std::exception& failure) {
        co_return std::string(failure.what());
    }
    co_return std::nullopt;
}

const std::string notAnsweredLine =
    "tarvo: whatsapp web has not answered within 40s — last seen: syncing (WhatsApp is downloading this account's "
    "messages). This is NOT 'not linked' and NOT final: it is still being asked.";

TEST_F(SessionTest, WithWhatsAppOffEveryQuestionAnswersNeedsLinkAndNoPageIsMade) {
    for (const std::optional<Json>& stored : {std::optional<Json>(), std::optional<Json>(false), std::optional<Json>("true"),
                                             std::optional<Json>(1)}) {
        defaults->set(stored, WhatsAppSession::enabledKey);
        EXPECT_EQ(session->settledStateIfKnown(), SessionState::needsLink());
        EXPECT_EQ(*start(session->settledState()), SessionState::needsLink());
        EXPECT_EQ(*start(session->refreshState()), SessionState::needsLink());
    }
    EXPECT_EQ(session->state(), SessionState::needsLink());
    EXPECT_EQ(session->window(), nullptr);
    EXPECT_THAT(page->scripts, IsEmpty());
    EXPECT_THAT(page->navigations, IsEmpty());
    EXPECT_EQ(page->userAgent, "");
}

TEST_F(SessionTest, TheFirstUseGivesThePageItsAgentVisibilityScriptAndSizeAndLoadsItOnce) {
    switchOn();
    session->load();
    session->load();
    loop.runReady();

    EXPECT_EQ(page->userAgent, WhatsAppWeb::userAgent);
    EXPECT_THAT(page->documentStartScripts, ElementsAre(WhatsAppWeb::alwaysVisibleScript()));
    EXPECT_EQ(page->pageSize, std::pair(1100, 800));
    EXPECT_THAT(page->navigations, ElementsAre(std::string(WhatsAppWeb::url)));
    EXPECT_THAT(linesWith("loading"), ElementsAre("tarvo: whatsapp web loading — nothing it says is an answer yet"));
}

// The page is loaded at 0 s and shows "syncing"; the background probe is held until the test
// answers it.
TEST_F(SessionTest, PastTheSettleDeadlineTheStateIsProvisionalWithOneBackgroundProbeAndALateLinkSettles) {
    switchOn();
    probeAnswer = syncingAnswer;
    const auto waited = start(session->settledState());
    EXPECT_EQ(session->settledStateIfKnown(), std::nullopt);
    advanceTo(39.9);
    EXPECT_EQ(session->settledStateIfKnown(), std::nullopt);
    EXPECT_FALSE(*waited);
    page->holds = [](const std::string& script, const Json&) { return isProbe(script); };
    advanceTo(40);
    ASSERT_TRUE(*waited);
    EXPECT_EQ(**waited, SessionState::syncing()) << "the published state, provisionally";
    EXPECT_EQ(probes, 40) << "one a second from 0 s to 39 s";
    EXPECT_THAT(linesWith("whatsapp web after"),
                ElementsAre("tarvo: whatsapp web after 0.0s: syncing (WhatsApp is downloading this account's "
                            "messages)"));

    EXPECT_EQ(session->settledStateIfKnown(), SessionState::syncing());
    advanceTo(45);
    EXPECT_EQ(session->settledStateIfKnown(), SessionState::syncing());
    EXPECT_EQ(page->waiting(), 1U) << "one background probe at a time";
    EXPECT_THAT(linesWith("has not answered within"), ElementsAre(notAnsweredLine, notAnsweredLine, notAnsweredLine));

    advanceTo(47);
    page->answerHeld(linkedAnswer);
    loop.runReady();
    EXPECT_THAT(linesWith("after the settle deadline"),
                ElementsAre("tarvo: whatsapp web answered after the settle deadline, at 47s: linked. The deadline is a "
                            "report, not a verdict."));
    EXPECT_EQ(session->settledStateIfKnown(), SessionState::linked());
    EXPECT_EQ(*start(session->settledState()), SessionState::linked());
    EXPECT_EQ(page->waiting(), 0U) << "a settled page is not asked again";
    EXPECT_TRUE(defaults->isTrue(WhatsAppSession::hostsSessionKey));
}

TEST_F(SessionTest, WaitingForTheCodePageProbesEverySecondToTheDeadlineAndLogsOnlyChanges) {
    switchOn();
    const std::vector<const char*> answers = {syncingAnswer, syncingAnswer, codeAnswer};
    page->answer = [&](const std::string& script, const Json&) -> std::optional<std::string> {
        if (!isProbe(script)) return std::nullopt;
        return answers[std::min<std::size_t>(probes++, answers.size() - 1)];
    };
    const auto waited = start(session->settledState());
    advanceTo(40);

    ASSERT_TRUE(*waited);
    EXPECT_EQ(**waited, SessionState::needsLink());
    EXPECT_EQ(probes, 41) << "40 while waiting, then the background probe";
    EXPECT_THAT(linesWith("whatsapp web after"),
                ElementsAre("tarvo: whatsapp web after 0.0s: syncing (WhatsApp is downloading this account's messages)",
                            "tarvo: whatsapp web after 2.0s: needsLink (waiting for a phone to scan the code)"));
}

TEST_F(SessionTest, ALinkedAnswerEndsTheWaitAtOnceAndTheLatchOutlivesALaterCodePage) {
    switchOn();
    page->answer = [&](const std::string& script, const Json&) -> std::optional<std::string> {
        if (!isProbe(script)) return std::nullopt;
        return ++probes < 3 ? codeAnswer : linkedAnswer;
    };
    const auto waited = start(session->settledState());
    advanceTo(2);

    ASSERT_TRUE(*waited);
    EXPECT_EQ(**waited, SessionState::linked());
    EXPECT_THAT(linesWith("whatsapp web after"), ElementsAre("tarvo: whatsapp web after 0.0s: needsLink (waiting for a "
                                                             "phone to scan the code)",
                                                             "tarvo: whatsapp web after 2.0s: linked"));
    EXPECT_TRUE(defaults->isTrue(WhatsAppSession::hostsSessionKey));

    page->answer = [](const std::string&, const Json&) -> std::optional<std::string> { return codeAnswer; };
    EXPECT_EQ(*start(session->refreshState()), SessionState::needsLink());
    EXPECT_TRUE(defaults->isTrue(WhatsAppSession::hostsSessionKey));
    EXPECT_EQ(session->settledStateIfKnown(), SessionState::linked()) << "only a load clears a settled answer";
}

TEST_F(SessionTest, AnUnreadablePageIsLoadedAgainFrom180sButNeverWhileAJobHoldsItAndACodePageNever) {
    switchOn();
    probeAnswer = R"({"state":"unrecognised","title":"Oops","sample":"Something went wrong."})";
    start(session->settledState());
    advanceTo(179.9);
    EXPECT_EQ(session->settledStateIfKnown(), SessionState::unrecognised("title=Oops — Something went wrong."));
    EXPECT_THAT(page->navigations, SizeIs(1));

    // A job holds the page: nothing is reloaded under it.
    auto release = std::make_shared<OneShotResult<void>>();
    std::function<Task<void>()> job = [release]() -> Task<void> { co_await *release; };
    const auto held = startVoid(session->drivingThePage(job));
    advanceTo(200);
    EXPECT_EQ(session->settledStateIfKnown(), std::nullopt);
    loop.runReady();
    EXPECT_THAT(page->navigations, SizeIs(1));
    EXPECT_THAT(linesWith("re-navigating"), IsEmpty());

    release->succeed();
    loop.runReady();
    ASSERT_TRUE(*held);
    EXPECT_EQ(session->settledStateIfKnown(), std::nullopt);
    loop.runReady();
    EXPECT_THAT(page->navigations, SizeIs(2));
    EXPECT_THAT(linesWith("re-navigating"),
                ElementsAre("tarvo: whatsapp web re-navigating — unreadable for 200s — last seen: unrecognised — "
                            "title=Oops — Something went wrong.. A page that never became WhatsApp is a navigation "
                            "worth doing again."));
    EXPECT_EQ(session->settledStateIfKnown(), std::nullopt) << "the clock starts again at the new load";

    probeAnswer = codeAnswer;
    start(session->refreshState());
    advanceTo(900);
    EXPECT_EQ(session->settledStateIfKnown(), SessionState::needsLink());
    EXPECT_THAT(page->navigations, SizeIs(2)) << "a page showing its code is WhatsApp";
}

TEST_F(SessionTest, ThePageIsReloadedWhenAskedAtExactly180s) {
    switchOn();
    probeAnswer = "not JSON";
    start(session->settledState());
    advanceTo(180);
    EXPECT_EQ(session->settledStateIfKnown(), std::nullopt);
    loop.runReady();
    EXPECT_THAT(page->navigations, SizeIs(2));
}

TEST_F(SessionTest, AProbeThatNeverAnswersReadsAsUnrecognisedTenSecondsLater) {
    switchOn();
    page->holds = [](const std::string& script, const Json&) { return isProbe(script); };
    const auto read = start(session->refreshState());
    advance(9.9);
    EXPECT_FALSE(*read);
    advance(0.1);

    ASSERT_TRUE(*read);
    EXPECT_EQ(**read, SessionState::unrecognised("the page returned nothing this build could read"));
    EXPECT_THAT(linesWith("script failed"),
                ElementsAre("tarvo: whatsapp script failed: the page had not answered by its deadline"));
}

TEST_F(SessionTest, APageThatEndsWithItsBrowserNoLongerCountsAsLinkedAndIsLoadedAndAskedAgain) {
    switchOn();
    probeAnswer = linkedAnswer;
    EXPECT_EQ(*start(session->settledState()), SessionState::linked());
    advance(100);
    const std::uint64_t generation = session->pageGeneration();

    page->endPage();
    EXPECT_THAT(linesWith("no longer counts"),
                ElementsAre("tarvo: whatsapp web no longer counts as linked — the browser that held the page ended. "
                            "The next question about it asks the page again."));
    EXPECT_NE(session->pageGeneration(), generation);
    const int before = probes;
    const auto again = start(session->settledState());
    ASSERT_TRUE(*again);
    EXPECT_EQ(**again, SessionState::linked());
    EXPECT_EQ(probes, before + 1);
    EXPECT_THAT(page->navigations, SizeIs(2));

    session->forgetSettled("the chat list was missing");
    EXPECT_THAT(linesWith("no longer counts"), SizeIs(2));
    session->forgetSettled("nothing was settled");
    EXPECT_THAT(linesWith("no longer counts"), SizeIs(2)) << "nothing to forget, nothing said";
    EXPECT_EQ(*start(session->settledState()), SessionState::linked());
    EXPECT_THAT(page->navigations, SizeIs(2)) << "forgetting loads nothing";
}

// The gate.

class GateTest : public SessionTest {
protected:
    GateTest() { switchOn(); }

    // A job that notes its start and end and holds the page until `release` settles.
    std::function<Task<void>()> job(std::string name, std::shared_ptr<OneShotResult<void>> release = nullptr) {
        return [this, name, release]() -> Task<void> {
            order.push_back(name + " in");
            if (release) co_await *release;
            order.push_back(name + " out");
        };
    }

    std::vector<std::string> order;
};

TEST_F(GateTest, JobsRunOneAtATimeInTheOrderTheyAskedAndANewcomerWaitsItsTurn) {
    auto releaseA = std::make_shared<OneShotResult<void>>();
    auto releaseB = std::make_shared<OneShotResult<void>>();
    const auto a = job("a", releaseA);
    const auto b = job("b", releaseB);
    const auto c = job("c");
    const auto d = job("d");
    startVoid(session->drivingThePage(a));
    startVoid(session->drivingThePage(b));
    startVoid(session->drivingThePage(c));
    EXPECT_THAT(order, ElementsAre("a in"));

    // The newcomer comes as the gate passes from a to b.
    releaseA->succeed();
    spawn(session->drivingThePage(d));
    loop.runReady();
    EXPECT_THAT(order, ElementsAre("a in", "a out", "b in"));
    EXPECT_TRUE(session->driving());

    releaseB->succeed();
    loop.runReady();
    EXPECT_THAT(order, ElementsAre("a in", "a out", "b in", "b out", "c in", "c out", "d in", "d out"));
    EXPECT_FALSE(session->driving());
}

TEST_F(GateTest, AJobThatThrowsLetsGoOfThePageAndItsCallerGetsTheFailure) {
    std::function<Task<int>()> failing = []() -> Task<int> {
        throw std::runtime_error("the page fell over");
        co_return 0;
    };
    std::function<Task<int>()> next = []() -> Task<int> { co_return 7; };
    const auto failed = start(failingCall(session->drivingThePage(failing)));
    const auto ran = start(session->drivingThePage(next));
    loop.runReady();

    ASSERT_TRUE(*failed);
    EXPECT_EQ(**failed, std::optional<std::string>("the page fell over"));
    EXPECT_EQ(*ran, 7);
    EXPECT_FALSE(session->driving());
}

TEST_F(GateTest, AScriptGivenUpOnHoldsThePageUntilItsLateAnswerAndIsToldToStop) {
    page->holds = [](const std::string& script, const Json&) { return script.find("press()") != std::string::npos; };
    std::function<Task<HostedWhatsAppSession::ScriptAnswer>()> pass = [this] {
        Json arguments;
        arguments["limit"] = 3;
        return session->evaluateReporting("await press(); return 'done';", arguments, HostedWhatsAppSession::Seconds(5));
    };
    const auto answered = start(session->drivingThePage(pass));
    const auto next = job("send");
    startVoid(session->drivingThePage(next));
    advance(5);

    ASSERT_TRUE(*answered);
    EXPECT_EQ(**answered, (HostedWhatsAppSession::ScriptAnswer{
                              std::nullopt, "the script had not answered after 5 seconds, so Tarvo stopped waiting for it",
                              Kind::deadline}));
    EXPECT_THAT(linesWith("failed to run"),
                ElementsAre("tarvo: whatsapp script failed to run: the script had not answered after 5 seconds, so "
                            "Tarvo stopped waiting for it"));
    EXPECT_EQ(page->scripts.back(), "window.tarvoStop = true;");
    EXPECT_EQ(page->scripts.front(), "window.tarvoStop = false;\nawait press(); return 'done';")
        << "each script begins with the flag down";
    advance(50);
    EXPECT_THAT(order, IsEmpty()) << "the script still runs in the page";

    page->answerHeld("done at last");
    loop.runReady();
    EXPECT_THAT(order, ElementsAre("send in", "send out"));
    EXPECT_THAT(page->navigations, IsEmpty()) << "a script that ended by itself needs no load";
    EXPECT_THAT(linesWith("failed to run"), SizeIs(1)) << "the late answer is dropped";
}

TEST_F(GateTest, AScriptThatNeverEndsHoldsThePageAMinuteThenThePageIsLoadedAgainBeforeTheNextJob) {
    probeAnswer = linkedAnswer;
    EXPECT_EQ(*start(session->settledState()), SessionState::linked());
    page->holds = [](const std::string& script, const Json&) { return script.find("press()") != std::string::npos; };
    std::function<Task<HostedWhatsAppSession::ScriptAnswer>()> pass = [this] {
        return session->evaluateReporting("await press();", Json::object(), HostedWhatsAppSession::Seconds(5));
    };
    std::size_t loadsAtSend = 0;
    std::function<Task<void>()> send = [&]() -> Task<void> {
        loadsAtSend = page->navigations.size();
        co_return;
    };
    start(session->drivingThePage(pass));
    const auto sent = startVoid(session->drivingThePage(send));
    advance(64.9);
    EXPECT_FALSE(*sent);
    EXPECT_THAT(page->navigations, SizeIs(1));

    advance(0.1);
    EXPECT_TRUE(*sent);
    EXPECT_EQ(loadsAtSend, 2U) << "the next job runs on the page loaded anew";
    EXPECT_THAT(linesWith("re-navigating"),
                ElementsAre("tarvo: whatsapp web re-navigating — a page script was still running 60s after Tarvo "
                            "stopped waiting for it, and only loading the page again ends it"));
    EXPECT_EQ(session->settledStateIfKnown(), std::nullopt) << "a reloaded page is not settled";
}

TEST_F(GateTest, AReportingScriptsAnswersAndFailuresAreTold) {
    struct Case {
        std::function<std::optional<std::string>()> answer;
        HostedWhatsAppSession::ScriptAnswer expected;
    };
    const std::vector<Case> cases = {
        {[] { return std::optional<std::string>("{\"ok\":true}"); }, {"{\"ok\":true}", std::nullopt, std::nullopt}},
        {[] { return std::nullopt; }, {std::nullopt, std::nullopt, std::nullopt}},
        {[]() -> std::optional<std::string> { throw PageHost::Failure(Kind::script, "ReferenceError: x is not defined"); },
         {std::nullopt, "ReferenceError: x is not defined", Kind::script}},
        {[]() -> std::optional<std::string> { throw PageHost::Failure(Kind::browser, "the browser ended"); },
         {std::nullopt, "the browser ended", Kind::browser}},
        {[]() -> std::optional<std::string> { throw PageHost::Failure(Kind::deadline, "late"); },
         {std::nullopt, "the script had not answered after 0 seconds, so Tarvo stopped waiting for it", Kind::deadline}},
    };
    for (const Case& c : cases) {
        page->answer = [&](const std::string&, const Json&) { return c.answer(); };
        std::function<Task<HostedWhatsAppSession::ScriptAnswer>()> run = [this] {
            return session->evaluateReporting("return 1;", Json::object(), std::nullopt);
        };
        const auto answered = start(session->drivingThePage(run));
        loop.runReady();
        ASSERT_TRUE(*answered);
        EXPECT_EQ(**answered, c.expected);
        EXPECT_FALSE(session->driving());
    }
    EXPECT_THAT(linesWith("failed to run"), SizeIs(3));
    EXPECT_THAT(linesWith("re-navigating"), SizeIs(1)) << "only the script the page host gave up on may still run";
}

// The host window.

TEST_F(SessionTest, TheHostWindowIsMadeOnceParkedFrontmostAndNeverKey) {
    session->webView();
    const ParkedWindow* window = session->window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->title, "WhatsApp");
    EXPECT_EQ(window->styleMask, 0xBU);
    EXPECT_EQ(window->collectionBehavior, 0x48U);
    EXPECT_EQ(window->backing, ParkedWindow::Backing::buffered);
    EXPECT_FALSE(window->deferred);
    EXPECT_FALSE(window->releasedWhenClosed);
    EXPECT_TRUE(window->excludedFromWindowsMenu);
    EXPECT_EQ(window->delegate, session.get());
    EXPECT_EQ(window->contentView, page);
    EXPECT_EQ(window->frame().size, (Size{1100, 800}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->frame().origin, (Point{-6100, -5800}));
    EXPECT_THAT(desktop->madeKey, IsEmpty());
    session->webView();
    EXPECT_EQ(session->window(), window);
}

TEST_F(SessionTest, TheWindowParksBeyondEveryScreen) {
    struct Case {
        const char* screens;
        std::vector<Rect> frames;
        Point origin;
    };
    const Case cases[] = {
        {"none", {}, {-6100, -5800}},
        {"one", {{{0, 0}, {1440, 900}}}, {-2100, -1800}},
        {"two side by side", {{{0, 0}, {1440, 900}}, {{1440, 0}, {1920, 1080}}}, {-2100, -1800}},
        {"one above the other", {{{0, 0}, {1440, 900}}, {{0, 900}, {1440, 900}}}, {-2100, -1800}},
        {"one to the left, higher up", {{{0, 0}, {1440, 900}}, {{-1920, 200}, {1920, 1080}}}, {-4020, -1800}},
        {"one below", {{{0, 0}, {1440, 900}}, {{0, -1080}, {1920, 1080}}}, {-2100, -2880}},
    };
    for (const Case& c : cases) {
        screens->shown = c.frames;
        session->park();
        EXPECT_EQ(session->window()->frame().origin, c.origin) << c.screens;
    }
}

TEST_F(SessionTest, AParkedWindowMovedOntoAScreenIsParkedAgainAndClosingOnlyParksIt) {
    screens->shown = {{{0, 0}, {1440, 900}}};
    session->webView();
    ParkedWindow& window = *session->window();

    window.setFrameOrigin({100, 100});
    EXPECT_EQ(window.frame().origin, (Point{-2100, -1800}));
    EXPECT_THAT(linesWith("on screen"), ElementsAre("tarvo: whatsapp host was on screen — parking it again"));

    window.setFrameOrigin({-3000, -3000});
    EXPECT_EQ(window.frame().origin, (Point{-3000, -3000})) << "still beyond every screen";

    window.performClose();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(session->windowShouldClose(window));
    EXPECT_EQ(window.frame().origin, (Point{-2100, -1800}));
}

TEST_F(SessionTest, ShownForLinkingTheWindowIsCentredKeyAndStaysWhereTheUserPutsItUntilClosed) {
    screens->shown = {{{0, 0}, {1440, 900}}};
    desktop->key = 77;
    session->showForLinking();
    ParkedWindow& window = *session->window();

    EXPECT_TRUE(defaults->isTrue(WhatsAppSession::enabledKey));
    EXPECT_TRUE(session->showingForLinking());
    EXPECT_EQ(window.title, "WhatsApp — scan this with your phone");
    EXPECT_EQ(window.frame().origin, (Point{170, 50}));
    EXPECT_EQ(desktop->key, window.number);
    EXPECT_EQ(desktop->activations, 1);
    loop.runReady();
    EXPECT_THAT(page->navigations, SizeIs(1));

    window.setFrameOrigin({300, 20});
    session->reparkIfOnScreen();
    EXPECT_EQ(window.frame().origin, (Point{300, 20}));
    EXPECT_THAT(linesWith("on screen"), IsEmpty());

    window.performClose();
    EXPECT_FALSE(session->showingForLinking());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.frame().origin, (Point{-2100, -1800}));
    EXPECT_EQ(window.title, "WhatsApp — scan this with your phone") << "parking keeps the title";
}

TEST_F(SessionTest, ShownForLinkingEachProbeSavesThePictureOfTheCodeOpenedOnceAndParkingRemovesIt) {
    session->showForLinking();
    const std::string picture = (folder / "whatsapp-link.png").string();
    page->picture = std::string("\x89PNG\r\n\x1a\n", 8) + "first";
    start(session->refreshState());
    page->picture = std::string("\x89PNG\r\n\x1a\n", 8) + "second";
    start(session->refreshState());

    EXPECT_EQ(AtomicFile::read(picture), page->picture) << "it follows the code as the page renews it";
    EXPECT_EQ(std::filesystem::status(picture).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_THAT(opener->opened, ElementsAre(picture));
    EXPECT_THAT(linesWith("linking code"),
                ElementsAre("tarvo: whatsapp web shows its linking code in " + picture + " — scan it with your phone"));

    session->setShowingForLinking(false);
    session->park();
    EXPECT_FALSE(std::filesystem::exists(picture));
    start(session->refreshState());
    EXPECT_FALSE(std::filesystem::exists(picture)) << "only while shown for linking";

    session->showForLinking();
    start(session->refreshState());
    EXPECT_THAT(opener->opened, SizeIs(2)) << "once per showing";
}

} // namespace
} // namespace tarvo::testing
