#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "CompanionTest.h"
#include "Support/CapturedPlainLog.h"
#include "Support/MemoryPageHost.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/WhatsApp/HostedWhatsAppSession.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"
#include "WhatsApp/MemoryDesktop.h"
#include "WhatsApp/MemoryScreens.h"

namespace tarvo::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using SessionState = WhatsAppWeb::SessionState;

// The scripted companion, whose WhatsApp pass waits for the settled page as the real pass does.
class SettlingCompanion final : public ScriptedCompanion {
public:
    SettlingCompanion(Services services, std::shared_ptr<CompanionScript> script)
        : ScriptedCompanion(std::move(services), script), script_(std::move(script)) {}

    Task<void> captureWhatsApp() override {
        const SessionState settled = co_await whatsapp().settledState();
        script_->note("whatsapp " + HostedWhatsAppSession::describe(settled));
    }

private:
    std::shared_ptr<CompanionScript> script_;
};

// The companion over WhatsApp Web hosted in a page in memory, switched on; the probe answers
// `probe()` and notes when it was asked while the page was shown for linking.
class CompanionLinkingTest : public CompanionTest {
protected:
    CompanionLinkingTest() {
        defaults->set(Json(true), WhatsAppSession::enabledKey);
        page->answer = [this](const std::string& script, const Json&) -> std::optional<std::string> {
            if (script != WhatsAppWeb::sessionProbeScript()) return std::nullopt;
            if (hosted->showingForLinking()) shownProbes.push_back(secondsSinceStart());
            return probe();
        };
    }

    long secondsSinceStart() const {
        return static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(clock->now() - began).count());
    }

    template <class C = ScriptedCompanion>
    std::shared_ptr<C> makeLinkingCompanion() {
        Companion::Services services = usualServices();
        services.whatsapp = hosted;
        return std::make_shared<C>(std::move(services), script);
    }

    int ticks() const {
        int count = 0;
        for (const std::string& step : script->steps) count += step.ends_with(" heartbeat") ? 1 : 0;
        return count;
    }

    CapturedPlainLog log;
    std::shared_ptr<MemoryPageHost> page = std::make_shared<MemoryPageHost>();
    std::shared_ptr<MemoryDesktop> desktop = std::make_shared<MemoryDesktop>();
    std::shared_ptr<HostedWhatsAppSession> hosted = std::make_shared<HostedWhatsAppSession>(HostedWhatsAppSession::Parts{
        .page = page,
        .defaults = defaults,
        .screens = std::make_shared<MemoryScreens>(),
        .desktop = desktop,
        .opener = opener,
        .userFolder = folder / "run",
        .linkPicture = folder / "whatsapp-link.png",
    });
    const Clock::Instant began = clock->now();
    std::function<std::string()> probe = [] { return R"({"state":"needsLink"})"; };
    // When the page was asked while shown for linking, in whole seconds since the test began.
    std::vector<long> shownProbes;
};

TEST_F(CompanionLinkingTest, AComputerAlreadyLinkedShowsNothingAndTicksOnce) {
    probe = [] { return R"({"state":"linked"})"; };
    const auto companion = makeLinkingCompanion();

    companion->linkWhatsApp();
    runFor(10s);

    EXPECT_TRUE(companion->whatsappLinked());
    EXPECT_EQ(ticks(), 1);
    EXPECT_FALSE(hosted->showingForLinking());
    EXPECT_EQ(hosted->window()->title, "WhatsApp");
    EXPECT_EQ(desktop->activations, 0);
}

// The wait for a settled page ends at 40 s, with the background probe of a page past its deadline.
TEST_F(CompanionLinkingTest, APhoneLinkedAtTheThirdCheckParksThePageAgainAndTicksOnce) {
    probe = [this] { return secondsSinceStart() >= 49 ? R"({"state":"linked"})" : R"({"state":"needsLink"})"; };
    const auto companion = makeLinkingCompanion();

    companion->linkWhatsApp();
    runFor(40s);
    EXPECT_TRUE(hosted->showingForLinking());
    EXPECT_EQ(hosted->window()->title, "WhatsApp — scan this with your phone");
    EXPECT_EQ(ticks(), 0);
    runFor(10s);

    EXPECT_THAT(shownProbes, ElementsAre(40, 43, 46, 49));
    EXPECT_TRUE(companion->whatsappLinked());
    EXPECT_FALSE(hosted->showingForLinking());
    EXPECT_EQ(hosted->window()->frame().origin, (Point{-6100, -5800}));
    EXPECT_FALSE(std::filesystem::exists(folder / "whatsapp-link.png"));
    EXPECT_EQ(ticks(), 1);
}

TEST_F(CompanionLinkingTest, LinkingWhileATickRunsOwesOneMoreTick) {
    probe = [] { return R"({"state":"linked"})"; };
    script->takes["heartbeat"] = 20s;
    const auto companion = makeLinkingCompanion();
    spawn(companion->requestTick());
    runFor(1s);

    companion->linkWhatsApp();
    runFor(60s);

    EXPECT_EQ(ticks(), 2);
    int said = 0;
    for (const std::string& line : log.lines()) {
        said += line == "tarvo: tick asked for while one is still running — it will run next" ? 1 : 0;
    }
    EXPECT_EQ(said, 1);
}

TEST_F(CompanionLinkingTest, APhoneThatNeverScansIsCheckedSixtyTimesAndNothingElseHappens) {
    const auto companion = makeLinkingCompanion();

    companion->linkWhatsApp();
    runFor(40s + 60 * 3s);
    ASSERT_EQ(shownProbes.size(), 61U) << "the background probe at 40 s, then the checks";
    EXPECT_EQ(shownProbes[1], 43);
    EXPECT_EQ(shownProbes.back(), 220);
    runFor(60s);

    EXPECT_EQ(shownProbes.size(), 61U);
    EXPECT_EQ(ticks(), 0);
    EXPECT_FALSE(companion->whatsappLinked());
    EXPECT_TRUE(hosted->showingForLinking()) << "the page stays up until the user closes it";
}

TEST_F(CompanionLinkingTest, APageThatNeverAnswersHoldsATickNoLongerThanTheSettleDeadlineAndAProbe) {
    page->holds = [](const std::string& script, const Json&) { return script == WhatsAppWeb::sessionProbeScript(); };
    const auto companion = makeLinkingCompanion<SettlingCompanion>();

    spawn(companion->requestTick());
    runFor(60s);

    EXPECT_THAT(script->steps,
                Contains(HasSubstr("whatsapp unrecognised — the page returned nothing this build could read")));
    spawn(companion->requestTick());
    runFor(60s);
    EXPECT_EQ(ticks(), 2) << "the next tick runs";
}

} // namespace
} // namespace tarvo::testing
