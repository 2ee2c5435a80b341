#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Support/CapturedPlainLog.h"
#include "TarvoCore/Panel/PanelNavigation.h"

using tarvo::Opener;
using tarvo::PanelNavigation;
using tarvo::WebAddress;
using tarvo::testing::CapturedPlainLog;
using Answer = PanelNavigation::Answer;
using Frame = tarvo::PanelRoute::Frame;

namespace {

struct OpenedAddresses final : Opener {
    void open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

} // namespace

TEST(PanelNavigation, DecidesEveryNavigationByItsAddressAndFrame) {
    const std::string site = "https://tarvo.example/app";
    const std::string signIn = "tarvo-panel:signin";
    struct Case {
        std::string url;
        Frame frame;
        Answer answer;
        // What follows the answer: "signIn", "lapsed", "signedOut", "browser" or nothing.
        std::string then = "";
        std::optional<std::string> shownPage = std::nullopt;
        std::string home = "https://tarvo.example/app";
        bool downloadAttribute = false;
    };
    const Case cases[] = {
        {"https://tarvo.example/app/settings", Frame::main, Answer::allow},
        {"https://tarvo.example/app?signed-out=1", Frame::main, Answer::allow},
        {"https://tarvo.example/apple", Frame::main, Answer::allow},
        {"https://tarvo.example/login?signed-out=1", Frame::main, Answer::cancel, "signedOut"},
        {"https://tarvo.example/x?a=1&signed-out=1", Frame::newWindow, Answer::cancel, "signedOut"},
        {"https://tarvo.example/login", Frame::main, Answer::cancel, "lapsed"},
        {"https://tarvo.example/login?next=/app", Frame::main, Answer::cancel, "lapsed"},
        {"https://tarvo.example/login-help", Frame::main, Answer::cancel, "lapsed"},
        {"https://tarvo.example/login", Frame::sub, Answer::allow},
        {"https://tarvo.example/login?signed-out=1", Frame::sub, Answer::allow},
        {"https://tarvo.example/api/auth/callback", Frame::main, Answer::allow},
        {"https://tarvo.example/api/authors", Frame::main, Answer::allow},
        {"https://tarvo.example/api/attachments/42", Frame::main, Answer::cancelAndDownload},
        {"https://tarvo.example/api/attachments/42", Frame::newWindow, Answer::cancelAndDownloadToOpen},
        {"https://tarvo.example/api/attachments/42", Frame::sub, Answer::allow},
        {"https://tarvo.example/api/%61ttachments/42", Frame::main, Answer::cancelAndDownload},
        {"https://tarvo.example/pricing", Frame::main, Answer::cancel, "browser"},
        {"https://tarvo.example/pricing", Frame::newWindow, Answer::cancel, "browser"},
        {"https://tarvo.example/pricing", Frame::sub, Answer::allow},
        {"https://elsewhere.example/app", Frame::main, Answer::cancel, "browser"},
        {"https://elsewhere.example/app", Frame::newWindow, Answer::cancel, "browser"},
        {"https://elsewhere.example/app", Frame::sub, Answer::cancel},
        {"https://Tarvo.example/app", Frame::main, Answer::cancel, "browser"},
        {"https://tarvo.example:8443/app", Frame::main, Answer::allow},
        {"about:blank", Frame::main, Answer::allow},
        {"data:text/html,<p>hi</p>", Frame::sub, Answer::allow},
        {"mailto:someone@tarvo.example", Frame::newWindow, Answer::allow},
        {"https://elsewhere.example/f.zip", Frame::main, Answer::download, "", std::nullopt, site, true},
        {"not an address", Frame::main, Answer::cancel},
        {"", Frame::main, Answer::cancel},
        {signIn, Frame::main, Answer::cancel, "signIn", std::nullopt},
        {signIn, Frame::main, Answer::cancel, "signIn", "about:blank"},
        {signIn, Frame::main, Answer::cancel, "", "https://tarvo.example/app"},
        {"https://tarvo.example/app", Frame::main, Answer::cancel, "browser", std::nullopt, "about:blank"},
        {"https://tarvo.example/app", Frame::sub, Answer::cancel, "", std::nullopt, "about:blank"},
        {"about:blank", Frame::main, Answer::allow, "", std::nullopt, "about:blank"},
        {"about:/login", Frame::main, Answer::cancel, "lapsed", std::nullopt, "about:blank"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " from " + c.home);
        std::vector<std::string> happened;
        auto browser = std::make_shared<OpenedAddresses>();
        PanelNavigation navigation(
            *WebAddress::parse(c.home), [&happened] { happened.push_back("signIn"); },
            [&happened] { happened.push_back("lapsed"); }, [&happened] { happened.push_back("signedOut"); }, browser);
        CapturedPlainLog log;
        std::optional<Answer> answer;
        navigation.decidePolicy({c.url, c.shownPage, c.frame, c.downloadAttribute}, [&](Answer given) {
            answer = given;
            happened.push_back("answered");
        });
        for (const auto& address : browser->opened) happened.push_back("browser " + address);

        EXPECT_EQ(answer, c.answer);
        // The web view has its answer before the companion hears anything.
        std::vector<std::string> expected{"answered"};
        if (c.then == "browser") {
            expected.push_back("browser " + c.url);
        } else if (!c.then.empty()) {
            expected.push_back(c.then);
        }
        EXPECT_EQ(happened, expected);
        std::vector<std::string> lines;
        if (c.then == "lapsed") lines = {"tarvo: the panel's session lapsed — re-minting rather than showing a login form"};
        if (c.then == "signIn") lines = {"tarvo: panel sign-in button pressed — starting pairing"};
        if (c.url == signIn && c.then.empty()) lines = {"tarvo: ignoring a tarvo-panel link from a loaded page"};
        EXPECT_EQ(log.lines(), lines);
    }
}
