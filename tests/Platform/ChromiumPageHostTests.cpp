#include <gtest/gtest.h>

#include <csignal>
#include <chrono>
#include <optional>
#include <string>

#include "Platform/ChromiumPageHost.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using testing::TemporaryFolder;
using Kind = PageHost::Failure::Kind;

// Long enough for a real browser on a busy machine; reached only when something is broken.
constexpr auto patience = 30s;
const std::string whatsAppAddress = "https://web.whatsapp.com/";

// The kind of failure `call` ended with; nothing when it succeeded.
template <class T>
Task<std::optional<Kind>> failureOf(Task<T> call) {
    try {
        co_await std::move(call);
    } catch (const PageHost::Failure& failure) {
        co_return failure.kind();
    }
    co_return std::nullopt;
}

// A call to a script that never settles, whose browser is killed once the call is on its way.
Task<std::optional<Kind>> callWhileTheBrowserIsKilled(ChromiumPageHost* host) {
    const pid_t browser = host->browserProcess().value();
    auto kill = [browser] { ::kill(browser, SIGKILL); };
    // Runs on the loop's next turn, after the call below has gone out and suspended.
    RunLoop::current().post(kill);
    co_return co_await failureOf(host->callAsyncFunction("await new Promise(() => {});", Json::object(), patience));
}

class ChromiumPageHostTest : public ::testing::Test {
protected:
    template <class T>
    T run(Task<T> task) {
        return runUntilDone(loop, std::move(task));
    }

    RunLoop loop;
    TemporaryFolder profile;
};

TEST_F(ChromiumPageHostTest, AScriptThatNeverSettlesFailsAtOurDeadlineAndThePageStaysUsable) {
    ChromiumPageHost host(profile.path());
    host.serve(whatsAppAddress, {.body = "<title>chats</title>"});
    run(host.navigate(whatsAppAddress, patience));

    EXPECT_EQ(run(failureOf(host.callAsyncFunction("await new Promise(() => {}); return 'settled';", Json::object(),
                                                   300ms))),
              Kind::deadline);
    EXPECT_EQ(run(host.evaluate("document.title", patience)), "chats");
    EXPECT_EQ(run(host.currentAddress(patience)), whatsAppAddress);
}

TEST_F(ChromiumPageHostTest, ABrowserKilledMidCallFailsTheCallAtOnceAndTheNextCallStartsAFreshOne) {
    ChromiumPageHost host(profile.path());
    host.setUserAgent("TarvoTest/1");
    host.addScriptAtDocumentStart("window.started = 'yes';");
    host.serve(whatsAppAddress, {.body = "<title>chats</title>"});
    run(host.navigate(whatsAppAddress, patience));
    const pid_t first = host.browserProcess().value();

    EXPECT_EQ(run(callWhileTheBrowserIsKilled(&host)), Kind::browser);

    EXPECT_EQ(run(host.currentAddress(patience)), std::nullopt);
    run(host.navigate(whatsAppAddress, patience));
    EXPECT_NE(host.browserProcess(), first);
    EXPECT_EQ(run(host.evaluate("navigator.userAgent + ' ' + window.started", patience)), "TarvoTest/1 yes");
}

TEST_F(ChromiumPageHostTest, ACookieSetByThePageOutlivesACleanRestartOnTheSameProfile) {
    {
        ChromiumPageHost first(profile.path());
        first.serve(whatsAppAddress, {.body = "<script>document.cookie = 'session=kept; max-age=86400';</script>"});
        run(first.navigate(whatsAppAddress, patience));
    }
    ChromiumPageHost second(profile.path());
    second.serve(whatsAppAddress, {.body = "<p>back</p>"});
    run(second.navigate(whatsAppAddress, patience));

    EXPECT_EQ(run(second.evaluate("document.cookie", patience)), "session=kept");
}

TEST_F(ChromiumPageHostTest, ADocumentStartScriptRunsBeforeThePagesOwnFirstScriptInEveryFrame) {
    ChromiumPageHost host(profile.path());
    host.addScriptAtDocumentStart("window.order = (window.order || []).concat('start');");
    host.serve(whatsAppAddress, {.body = "<script>"
                                         "window.order = (window.order || []).concat('page');"
                                         "window.fromFrame = new Promise(r => onmessage = e => r(e.data));"
                                         "</script><iframe src='https://frame.example/'></iframe>"});
    host.serve("https://frame.example/",
               {.body = "<script>parent.postMessage((window.order || []).concat('frame').join(), '*');</script>"});
    run(host.navigate(whatsAppAddress, patience));

    EXPECT_EQ(run(host.evaluate("window.order.join()", patience)), "start,page");
    Json arguments;
    arguments["ending"] = ".";
    EXPECT_EQ(run(host.callAsyncFunction("return (await window.fromFrame) + ending;", arguments, patience)),
              "start,frame.");
}

TEST_F(ChromiumPageHostTest, ATrustedReturnReachesTheFocusedTextArea) {
    ChromiumPageHost host(profile.path());
    host.serve(whatsAppAddress, {.body = "<textarea></textarea><script>"
                                         "const area = document.querySelector('textarea');"
                                         "area.focus();"
                                         "window.keys = [];"
                                         "area.addEventListener('keydown', e => keys.push(e.key + ' ' + e.isTrusted));"
                                         "</script>"});
    run(host.navigate(whatsAppAddress, patience));

    run(host.insertText("hello", patience));
    run(host.pressReturn(patience));

    EXPECT_EQ(run(host.evaluate("keys.join()", patience)), "Enter true");
    EXPECT_EQ(run(host.evaluate("area.value", patience)), "hello\n");
}

TEST_F(ChromiumPageHostTest, WhileServingNoAddressThatIsNotServedIsFetched) {
    ChromiumPageHost host(profile.path());
    host.serve(whatsAppAddress, {.body = "<img src='https://elsewhere.example/picture.png'>"});
    run(host.navigate(whatsAppAddress, patience));

    EXPECT_EQ(run(host.evaluate("String(document.images[0].complete && document.images[0].naturalWidth)", patience)),
              "0");
    EXPECT_EQ(run(failureOf(host.navigate("https://elsewhere.example/", patience))), Kind::browser);
}

} // namespace
} // namespace tarvo
