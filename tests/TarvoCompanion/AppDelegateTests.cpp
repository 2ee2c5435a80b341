#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "CompanionTest.h"
#include "ScriptedAlertPresenter.h"
#include "TarvoCompanion/AppDelegate.h"

namespace tarvo::testing {
namespace {

using namespace std::chrono_literals;

// Claims being the first copy and keeps the listener, so that a test can speak as a later copy.
class FirstInstance final : public SingleInstance {
public:
    Claim claim(const std::vector<std::string>&, bool) override { return Claim::first; }
    Asked ask(const std::vector<std::string>&) override { return {Asked::Outcome::notRunning, {}}; }
    void listen(Listener heard, Answerer answering) override {
        listener = std::move(heard);
        answerer = std::move(answering);
    }

    Listener listener;
    Answerer answerer;
};

class AppDelegateTest : public CompanionTest {
protected:
    void SetUp() override {
        AppDelegate::MakeCompanion make = [this] {
            auto services = usualServices();
            services.alerts = alerts;
            return std::static_pointer_cast<Companion>(
                std::make_shared<ScriptedCompanion>(std::move(services), script));
        };
        delegate.emplace(instance, make,
                         AppDelegate::Neighbours{
                             .showSafariExtensionSettings = [this] { acted.push_back("safari"); },
                             .showOperatingSetup = [this] { acted.push_back("operate"); },
                             .control = nullptr,
                             .didBecomeActive = nullptr,
                         });
        delegate->applicationDidFinishLaunching();
        settle();
    }

    // What the links led to: the neighbours called, "setup" for the setup window brought to the
    // front, "pane <anchor>" for a settings pane, "extension" for the hand-off's alert,
    // "whatsapp" for the page shown for linking.
    std::vector<std::string> outcome(const std::vector<std::string>& links) {
        acted.clear();
        permissions->settingOpenedAt.reset();
        const int fronted = delegate->companion()->setupWindow()->timesFronted();
        const std::size_t alertsBefore = alerts->presented.size();
        const int linkingAsks = whatsapp->linkingAsks();
        delegate->open(links);
        settle();
        if (delegate->companion()->setupWindow()->timesFronted() > fronted) acted.push_back("setup");
        if (permissions->settingOpenedAt) acted.push_back("pane");
        if (alerts->presented.size() > alertsBefore) acted.push_back("extension");
        if (whatsapp->linkingAsks() > linkingAsks) acted.push_back("whatsapp");
        return acted;
    }

    std::shared_ptr<FirstInstance> instance = std::make_shared<FirstInstance>();
    std::shared_ptr<ScriptedAlertPresenter> alerts = std::make_shared<ScriptedAlertPresenter>();
    std::optional<AppDelegate> delegate;
    std::vector<std::string> acted;
};

TEST_F(AppDelegateTest, TheFirstTarvoLinkIsRoutedByItsHostOrFirstPathPiece) {
    struct Case {
        std::vector<std::string> links;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{"tarvo://whatsapp"}, {"whatsapp"}},
        {{"tarvo:///whatsapp/now"}, {"whatsapp"}},
        {{"tarvo://extension"}, {"extension"}},
        {{"tarvo://safari"}, {"safari"}},
        {{"tarvo://settings/accessibility"}, {"pane"}},
        {{"tarvo://settings"}, {"setup"}},
        {{"tarvo://settings/bluetooth"}, {"setup"}},
        {{"tarvo://operate"}, {"operate"}},
        {{"tarvo://operate/on"}, {"operate"}},
        {{"tarvo://operate/off"}, {"setup"}},
        {{"tarvo://WhatsApp"}, {"setup"}},
        {{"tarvo://"}, {"setup"}},
        {{"tarvo:"}, {"setup"}},
        {{"https://tarvo.app/whatsapp", "tarvo://safari", "tarvo://whatsapp"}, {"safari"}},
        {{"TARVO://whatsapp", "--relaunched"}, {}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.links));
        EXPECT_EQ(outcome(c.links), c.expected);
    }
}

TEST_F(AppDelegateTest, ALaterCopysLinkIsActedOnBeforeTheActivationLooksForAWindow) {
    SetupWindow& window = *delegate->companion()->setupWindow();
    window.close();

    instance->listener({"activate", "tarvo://settings"});
    settle();

    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.timesFronted(), 2) << "the link brought the window back; the activation found it up";
}

TEST_F(AppDelegateTest, AnActivationWhileThePanelIsUpOpensNoWindow) {
    Companion& companion = *delegate->companion();
    companion.openPanelWindow("/app");
    settle();
    companion.setupWindow()->close();
    companion.panelWindow()->makeKeyAndOrderFront();
    const int fronted = companion.setupWindow()->timesFronted();

    delegate->applicationDidBecomeActive();
    settle();

    EXPECT_EQ(companion.setupWindow()->timesFronted(), fronted);
    EXPECT_FALSE(companion.setupWindow()->isVisible());
}

TEST_F(AppDelegateTest, ComingBackSoonAfterASettingsPaneWasOpenedReportsTheNewPermissions) {
    struct Case {
        std::chrono::seconds since;
        bool reports;
    };
    for (const Case c : {Case{30s, true}, Case{600s, true}, Case{601s, false}, Case{-5s, false}}) {
        SCOPED_TRACE(c.since.count());
        const auto openedAt = clock->date() - c.since;
        permissions->settingOpenedAt = openedAt;
        const int refreshes = permissions->refreshes();
        script->steps.clear();

        delegate->applicationDidBecomeActive();
        settle();

        EXPECT_EQ(permissions->refreshes() - refreshes, c.reports ? 1 : 0);
        EXPECT_EQ(std::ranges::count(script->steps, "0 heartbeat"), c.reports ? 1 : 0)
            << ::testing::PrintToString(script->steps);
        EXPECT_EQ(permissions->settingOpenedAt, c.reports ? std::nullopt : std::optional(openedAt));
    }
}

} // namespace
} // namespace tarvo::testing
