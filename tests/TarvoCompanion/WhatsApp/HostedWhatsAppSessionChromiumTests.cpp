#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <sys/stat.h>

#include "SessionInChromium.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/WhatsApp/CaptureScript.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

TEST_F(HostedSessionInChromium, ThePageAndItsFramesAlwaysLookVisibleAndFocusedAtItsSizeAndAgent) {
    ASSERT_EQ(settle(), SessionState::linked());

    EXPECT_EQ(inPage("(() => {"
                     "  window.heard = [];"
                     "  document.addEventListener('visibilitychange', () => heard.push('hidden'));"
                     "  window.addEventListener('blur', () => heard.push('blur'));"
                     "  document.dispatchEvent(new Event('visibilitychange'));"
                     "  window.dispatchEvent(new Event('blur'));"
                     "  return [heard.join(), document.hidden, document.webkitHidden, document.visibilityState,"
                     "          document.webkitVisibilityState, innerWidth, innerHeight, navigator.userAgent].join(' | ');"
                     "})()"),
              " | false | false | visible | visible | 1100 | 800 | " + std::string(WhatsAppWeb::userAgent));
    const std::string inFrame = R"(
        const frame = document.createElement('iframe');
        frame.src = '/frame';
        await new Promise((loaded) => { frame.onload = loaded; document.body.append(frame); });
        const inside = frame.contentWindow;
        inside.document.dispatchEvent(new inside.Event('visibilitychange'));
        inside.dispatchEvent(new inside.Event('blur'));
        return [inside.heard.join(), inside.document.hidden, inside.document.visibilityState].join(' | ');)";
    EXPECT_EQ(run(host->callAsyncFunction(inFrame, Json::object(), patience)), " | false | visible");
}

TEST_F(HostedSessionInChromium, AnEvictedPageIsTakenBackByTheProbesPress) {
    ASSERT_EQ(settle(), SessionState::linked());
    inPage("fixture.reset({ view: 'evicted' }); fixture.events.length = 0");

    EXPECT_EQ(run(session->refreshState()), SessionState::syncing());
    EXPECT_EQ(inPage("JSON.stringify(fixture.events)"), R"([{"type":"takeBack"}])");
    EXPECT_EQ(run(session->refreshState()), SessionState::syncing()) << "the page is loading again";
    inPage("fixture.setState({ view: 'chats' })");
    EXPECT_EQ(run(session->refreshState()), SessionState::linked());
}

// The probe's first look is for a linking code, which the chat app's own code never looks for.
TEST_F(HostedSessionInChromium, APageThatBecomesUsableIsReadLinkedByTheFirstProbeAfterwards) {
    ASSERT_EQ(settle(), SessionState::linked());
    inPage("(() => {"
           "  window.probesOfTheChats = 0;"
           "  const query = document.querySelector.bind(document);"
           "  document.querySelector = (selector) => {"
           "    if (selector === '[data-ref]' && fixture.state.view === 'chats') probesOfTheChats += 1;"
           "    return query(selector);"
           "  };"
           "  fixture.reset({ view: 'loading' });"
           "  setTimeout(() => fixture.setState({ view: 'chats' }), 2500);"
           "})()");
    session->forgetSettled("the test showed the loading screen");

    EXPECT_EQ(settle(), SessionState::linked());
    EXPECT_EQ(inPage("String(probesOfTheChats)"), "1");
}

TEST_F(HostedSessionInChromium, ABrowserThatEndsIsStartedAgainAndItsPageLoadedAndReadAgain) {
    ASSERT_EQ(settle(), SessionState::linked());
    const pid_t first = host->browserProcess().value();

    ::kill(first, SIGKILL);
    run(waitUntil([this] { return session->settledStateIfKnown() != SessionState::linked(); }));
    EXPECT_EQ(session->settledStateIfKnown(), std::nullopt);

    EXPECT_EQ(settle(), SessionState::linked());
    EXPECT_NE(host->browserProcess(), first);
    int loads = 0;
    for (const std::string& line : log.lines()) loads += line.starts_with("tarvo: whatsapp web loading") ? 1 : 0;
    EXPECT_EQ(loads, 2);
}

TEST_F(HostedSessionInChromium, AReturnReachesTheFocusedComposerAsATrustedEnterAndNoPasteIsTried) {
    ASSERT_EQ(settle(), SessionState::linked());
    inPage("(() => {"
           "  fixture.reset({ chats: [{ ref: '491701234567@c.us', name: 'Ada', messages: [] }],"
           "                  open: '491701234567@c.us' });"
           "  const box = document.querySelector('#main footer [contenteditable]');"
           "  box.focus();"
           "  window.keys = [];"
           "  box.addEventListener('keydown', (event) => keys.push(event.key + ' ' + event.isTrusted));"
           "})()");

    run(session->pressReturnNatively());
    EXPECT_EQ(inPage("keys.join()"), "Enter true");

    const auto staged = session->stageForPaste({"f1", "dot.png", "image/png", std::string("\x89PNG\r\n\x1a\n", 8)});
    ASSERT_TRUE(staged);
    const std::size_t linesBefore = log.lines().size();
    EXPECT_FALSE(run(session->pasteImageNatively(*staged))) << "this browser reads no pasteboard";
    EXPECT_EQ(log.lines().size(), linesBefore);
    EXPECT_EQ(inPage("keys.join()"), "Enter true");
}

TEST_F(HostedSessionInChromium, TheLinkingCodeIsAPictureOfThePageForAsLongAsItIsShown) {
    ASSERT_EQ(settle(), SessionState::linked());
    inPage("fixture.reset({ view: 'link' })");
    session->showForLinking();

    EXPECT_EQ(run(session->refreshState()), SessionState::needsLink());
    const std::filesystem::path picture = folder / "whatsapp-link.png";
    const std::string bytes = AtomicFile::read(picture);
    ASSERT_GT(bytes.size(), 24U);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    auto bigEndian = [&bytes](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = at; i < at + 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
        return value;
    };
    EXPECT_EQ(bigEndian(16), 1100U);
    EXPECT_EQ(bigEndian(20), 800U);
    struct stat entry {};
    ASSERT_EQ(::stat(picture.c_str(), &entry), 0);
    EXPECT_EQ(entry.st_mode & 0777, 0600U);
    EXPECT_THAT(opener->opened, ElementsAre(picture.string()));

    session->setShowingForLinking(false);
    session->park();
    EXPECT_FALSE(std::filesystem::exists(picture));
}

// A pass given up on must stop pressing rows: each press opens a conversation and marks it read.
TEST_F(HostedSessionInChromium, ACaptureScriptGivenUpOnPressesNothingMoreAndTheNextJobWaitsForItsEnd) {
    ASSERT_EQ(settle(), SessionState::linked());
    // Conversations that never show in the pane, so that each press waits its whole turn.
    inPage("(() => {"
           "  const chats = [];"
           "  for (let i = 0; i < 8; i++) chats.push({ ref: `4915550000${i}@c.us`, name: `Friend ${i}`,"
           "    messages: [{ id: `m${i}`, text: 'hello', t: 1767000000 + i }] });"
           "  fixture.reset({ chats, paneDelayMs: 600000 });"
           "  let stop = false;"
           "  Object.defineProperty(window, 'tarvoStop', { configurable: true, get: () => stop,"
           "    set: (value) => { stop = value; if (value) window.pressesAtStop = fixture.events.length; } });"
           "})()");
    const std::string script = WhatsAppWeb::captureScript(6, 40, 3, {}, true, 0, WhatsAppWeb::mediaBudgetBytes, {}, {},
                                                          6, 20, {});
    std::function<Task<HostedWhatsAppSession::ScriptAnswer>()> pass = [this, script] {
        return session->evaluateReporting(script, Json::object(), std::chrono::seconds(2));
    };
    std::function<Task<std::optional<std::string>>()> next = [this] {
        return host->evaluate("JSON.stringify({ stop: window.tarvoStop, atStop: window.pressesAtStop,"
                              " presses: fixture.events.filter((e) => e.type === 'press').length,"
                              " events: fixture.events.length })", patience);
    };
    auto givenUp = std::make_shared<std::optional<HostedWhatsAppSession::ScriptAnswer>>();
    spawn([](auto session, auto pass, auto into) -> Task<void> {
        into->emplace(co_await session->template drivingThePage<HostedWhatsAppSession::ScriptAnswer>(pass));
    }(session, pass, givenUp));
    const Json seen = Json::parse(run(session->drivingThePage<std::optional<std::string>>(next)).value_or("{}"));

    ASSERT_TRUE(givenUp->has_value());
    EXPECT_EQ((*givenUp)->failure, PageHost::Failure::Kind::deadline);
    EXPECT_EQ(seen.at("stop"), true);
    EXPECT_EQ(seen.at("events"), seen.at("atStop")) << "nothing was pressed after the flag was set";
    EXPECT_LT(seen.at("presses").get<int>(), 6) << "the walk ended before its last chat";
}

} // namespace
} // namespace tarvo::testing
