#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Platform/ChromiumPanelHost.h"
#include "Platform/XdgSavedFiles.h"
#include "Support/CapturedPlainLog.h"
#include "Support/FakeService.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Panel/PanelWebView.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::CapturedPlainLog;
using testing::FakeService;
using testing::ScriptedAnswer;
using testing::TemporaryFolder;

// Long enough for a real browser on a busy machine; reached only when something is broken.
constexpr auto patience = 30s;

struct RecordingOpener final : Opener {
    void open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

// The desktop's saved-file rules for real, in a home folder of the test's own; what would be
// opened or shown is only recorded.
struct RecordingSavedFiles final : SavedFiles {
    explicit RecordingSavedFiles(XdgSavedFiles::Places places)
        : real(std::move(places), nullptr, std::make_shared<RecordingOpener>()) {}

    fs::path downloadsFolder() const override { return real.downloadsFolder(); }
    std::optional<std::string> markDownloaded(const fs::path& file, const std::optional<std::string>& origin,
                                              const std::optional<std::string>& referrer) override {
        return real.markDownloaded(file, origin, referrer);
    }
    std::optional<std::string> typeOfExtension(const std::string& extension) const override {
        return real.typeOfExtension(extension);
    }
    void open(const fs::path& file) override { opened.push_back(file.filename().string()); }
    void reveal(const fs::path& file) override { revealed.push_back(file.filename().string()); }

    XdgSavedFiles real;
    std::vector<std::string> opened;
    std::vector<std::string> revealed;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The names in a folder, hidden ones left out.
std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(".")) names.insert(name);
    }
    return names;
}

Task<bool> waitUntil(std::function<bool()> done) {
    const auto giveUp = RunLoop::current().clock().now() + patience;
    while (!done()) {
        if (RunLoop::current().clock().now() > giveUp) co_return false;
        co_await sleepFor(20ms);
    }
    co_return true;
}

Task<std::optional<std::string>> pageValueOnceItIs(ChromiumPanelHost* host, std::string script, std::string wanted) {
    const auto giveUp = RunLoop::current().clock().now() + patience;
    for (;;) {
        const std::optional<std::string> value = co_await host->evaluate(script, patience);
        if (value == wanted || RunLoop::current().clock().now() > giveUp) co_return value;
        co_await sleepFor(20ms);
    }
}

ScriptedAnswer page(const std::string& body) {
    return ScriptedAnswer{.status = 200, .body = body, .headers = {{"Content-Type", "text/html; charset=utf-8"}}};
}

ScriptedAnswer file(const std::string& type, const std::string& body, const std::string& disposition = "") {
    ScriptedAnswer answer{.status = 200, .body = body, .headers = {{"Content-Type", type}}};
    if (!disposition.empty()) answer.headers.emplace_back("Content-Disposition", disposition);
    return answer;
}

// Every "tarvo:download" event the page heard, in order.
const std::string listener = "<script>window.heard = [];"
                             "addEventListener('tarvo:download', e => heard.push(e.detail.state +"
                             " (e.detail.reason ? ' ' + e.detail.reason : '')));</script>";

class ChromiumPanelHostTest : public ::testing::Test {
protected:
    ChromiumPanelHostTest() {
        XdgSavedFiles::Places places;
        places.home = home.path();
        places.configHome = home / ".config";
        places.mimeFolders = {"/usr/share/mime"};
        files = std::make_shared<RecordingSavedFiles>(places);
        cookies = std::make_shared<CookieJar>();
        host = std::make_shared<ChromiumPanelHost>(ChromiumPanelHost::Options{.profileFolder = profile.path()},
                                                   cookies, files);
        auto signIn = [this] { ++signIns; };
        auto lapsed = [this] { ++lapses; };
        auto signedOut = [this] { ++signOuts; };
        navigation = std::make_shared<PanelNavigation>(*WebAddress::parse(service.baseURL() + "/app"), signIn, lapsed,
                                                       signedOut, browser);
        host->useNavigation(navigation);
    }

    template <class T>
    T run(Task<T> task) {
        return runUntilDone(loop, std::move(task));
    }
    bool eventually(std::function<bool()> done) { return run(waitUntil(std::move(done))); }
    void click(const std::string& selector) {
        run(host->evaluate("document.querySelector('" + selector + "').click()", patience));
    }
    std::optional<std::string> address() { return run(host->currentAddress(patience)); }
    std::string heard(std::string wanted) {
        return run(pageValueOnceItIs(host.get(), "heard.join('|')", std::move(wanted))).value_or("");
    }
    fs::path downloads() const { return home / "Downloads"; }

    RunLoop loop;
    TemporaryFolder profile;
    TemporaryFolder home;
    FakeService service;
    FakeService elsewhere;
    std::shared_ptr<RecordingOpener> browser = std::make_shared<RecordingOpener>();
    std::shared_ptr<RecordingSavedFiles> files;
    std::shared_ptr<CookieJar> cookies;
    std::shared_ptr<ChromiumPanelHost> host;
    std::shared_ptr<PanelNavigation> navigation;
    int signIns = 0;
    int lapses = 0;
    int signOuts = 0;
};

TEST_F(ChromiumPanelHostTest, ThePageStaysOnTheServicesPanelPagesAndLoadsNothingElse) {
    const std::string other = "http://localhost:" + std::to_string(elsewhere.port());
    service.answer("GET", "/app/home",
                   page("<a id=settings href='/app/settings'>settings</a><a id=other href='" + other +
                        "/news'>news</a><a id=local href='file:///etc/hostname'>file</a>"
                        "<iframe id=frame src='/app/frame'></iframe>"));
    service.answer("GET", "/app/frame", page("<p>frame</p>"));
    service.answer("GET", "/app/settings", page("<title>settings</title>"));
    elsewhere.answerRest([](const testing::RecordedRequest&) { return page("<p>elsewhere</p>"); });
    run(host->navigate(service.baseURL() + "/app/home", patience));

    // An iframe sent to another site loads nothing; the page's own frames load.
    run(host->evaluate("document.getElementById('frame').src = '" + other + "/framed'", patience));
    // Each click is waited for: a navigation started while another is still being decided would
    // replace it in the browser.
    click("#other");
    ASSERT_TRUE(eventually([&] { return !browser->opened.empty(); }));
    click("#local");
    click("#settings");

    EXPECT_EQ(run(pageValueOnceItIs(host.get(), "document.title", "settings")), "settings");
    EXPECT_EQ(browser->opened, std::vector<std::string>{other + "/news"});
    EXPECT_TRUE(elsewhere.requests().empty());
    EXPECT_EQ(service.requests("GET", "/app/frame").size(), 1u);

    // Windows the page opens on no address at all, or on one the browser will not go to, are
    // closed as well as those that load one.
    run(host->evaluate("window.blank = window.open('about:blank'); 'opened'", patience));
    run(host->evaluate("window.empty = window.open(); 'opened'", patience));
    run(host->evaluate("window.data = window.open('data:text/html,hi'); 'opened'", patience));
    EXPECT_EQ(run(pageValueOnceItIs(host.get(), "String(blank.closed && empty.closed && data.closed)", "true")),
              "true");
}

TEST_F(ChromiumPanelHostTest, APanelLinkStartsASignInOnlyFromTheLocalPageAndTheServiceReachesTheCompanion) {
    CapturedPlainLog log;
    host->loadHTML("<a id=signin href='tarvo-panel:signin'>Sign in</a>");
    ASSERT_EQ(run(pageValueOnceItIs(host.get(), "String(!!document.getElementById('signin'))", "true")), "true");
    click("#signin");
    click("#signin");
    ASSERT_TRUE(eventually([&] { return signIns == 2; }));
    EXPECT_EQ(run(pageValueOnceItIs(host.get(), "location.protocol", "data:")), "data:");

    service.answer("GET", "/app/home",
                   page("<a id=signin href='tarvo-panel:signin'>Sign in</a><a id=login href='/login'>again</a>"
                        "<a id=gone href='/bye?signed-out=1'>bye</a>"));
    run(host->navigate(service.baseURL() + "/app/home", patience));
    click("#signin");
    run(host->evaluate("tarvoPanelReport(JSON.stringify({kind: 'panel', url: 'tarvo-panel:signin'}))", patience));
    click("#login");
    ASSERT_TRUE(eventually([&] { return lapses == 1; }));
    click("#gone");
    ASSERT_TRUE(eventually([&] { return signOuts == 1; }));

    EXPECT_EQ(signIns, 2);
    EXPECT_EQ(address(), service.baseURL() + "/app/home");
    EXPECT_TRUE(service.requests("GET", "/login").empty());
    const auto lines = log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "tarvo: panel sign-in button pressed — starting pairing"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "tarvo: ignoring a tarvo-panel link from a loaded page"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "tarvo: the panel's session lapsed — re-minting rather than showing a login form"),
              1);
}

TEST_F(ChromiumPanelHostTest, AttachmentsAreSavedAsAPageWouldAskForThemThenShownOrOpenedByHowTheyCame) {
    const std::string other = "http://localhost:" + std::to_string(elsewhere.port());
    service.answer("GET", "/app/home",
                   page(listener + "<a id=main href='/api/attachments/42'>main</a>"
                                   "<a id=notes target=_blank href='/api/attachments/43'>notes</a>"
                                   "<a id=zip target=_blank href='/api/attachments/44'>zip</a>"
                                   "<a id=csv download href='" +
                        other + "/report.csv'>csv</a><a id=export href='/app/export'>export</a>"));
    service.answer("GET", "/api/attachments/42", file("application/pdf", "%PDF-1.4 main", "inline; filename=\"q3.pdf\""));
    service.answer("GET", "/api/attachments/43", file("text/markdown", "# notes", "attachment; filename=\"notes.MD\""));
    service.answer("GET", "/api/attachments/44", file("application/zip", "PK zip"));
    service.answer("GET", "/app/export", file("application/zip", "PK export"));
    elsewhere.answer("GET", "/report.csv", file("text/csv", "a,b\n"));
    // What a browser killed mid-download left behind is cleared when the next one starts.
    fs::create_directories(downloads() / PanelDownloads::stagingFolderName);
    std::ofstream(downloads() / PanelDownloads::stagingFolderName / "0c1d-left-behind") << "half";
    run(host->navigate(service.baseURL() + "/app/home", patience));

    click("#main");
    EXPECT_EQ(heard("started|saved"), "started|saved");
    click("#notes");
    EXPECT_EQ(heard("started|saved|started|saved"), "started|saved|started|saved");
    // One at a time, so that the events the page hears come in a known order.
    click("#zip");
    EXPECT_EQ(heard("started|saved|started|saved|started|saved"), "started|saved|started|saved|started|saved");
    click("#csv");
    EXPECT_EQ(heard("started|saved|started|saved|started|saved|started|saved"),
              "started|saved|started|saved|started|saved|started|saved");
    click("#export");
    EXPECT_EQ(heard("started|saved|started|saved|started|saved|started|saved|started|saved"),
              "started|saved|started|saved|started|saved|started|saved|started|saved");

    EXPECT_EQ(namesIn(downloads()), (std::set<std::string>{"q3.pdf", "notes.MD", "44.zip", "report.csv", "export.zip"}));
    EXPECT_EQ(readFile(downloads() / "q3.pdf"), "%PDF-1.4 main");
    EXPECT_EQ(readFile(downloads() / "notes.MD"), "# notes");
    EXPECT_EQ(readFile(downloads() / "report.csv"), "a,b\n");
    EXPECT_TRUE(namesIn(downloads() / PanelDownloads::stagingFolderName).empty());
    EXPECT_EQ(files->opened, std::vector<std::string>{"notes.MD"});
    std::vector<std::string> revealed = files->revealed;
    std::sort(revealed.begin(), revealed.end());
    EXPECT_EQ(revealed, (std::vector<std::string>{"44.zip", "export.zip", "q3.pdf", "report.csv"}));
    for (const std::string path : {"/api/attachments/42", "/api/attachments/43", "/api/attachments/44"}) {
        const auto asked = service.requests("GET", path);
        ASSERT_EQ(asked.size(), 1u) << path;
        EXPECT_EQ(asked[0].header("accept"), "text/html,application/xhtml+xml") << path;
        EXPECT_EQ(asked[0].header("user-agent"), PanelWebView::userAgent) << path;
    }
    EXPECT_EQ(address(), service.baseURL() + "/app/home");
    EXPECT_TRUE(browser->opened.empty());
    EXPECT_EQ(lapses, 0);
}

TEST_F(ChromiumPanelHostTest, AFileThatIsRefusedRedirectedToTheSignInOrUnreachableIsNotSaved) {
    CapturedPlainLog log;
    const std::string nowhere = [] {
        FakeService gone;
        return "http://127.0.0.1:" + std::to_string(gone.port());
    }();
    service.answer("GET", "/app/home",
                   page(listener + "<a id=missing href='/api/attachments/404'>missing</a>"
                                   "<a id=moved target=_blank href='/api/attachments/45'>moved</a>"
                                   "<a id=unreachable download href='" +
                        nowhere + "/lost.csv'>lost</a>"));
    service.answer("GET", "/api/attachments/404", ScriptedAnswer{.status = 404, .body = "gone"});
    service.answer("GET", "/api/attachments/45", ScriptedAnswer{.status = 302, .headers = {{"Location", "/login"}}});
    service.answer("GET", "/login", page("<form>sign in</form>"));
    run(host->navigate(service.baseURL() + "/app/home", patience));

    const std::string missing = "failed The server refused that file (404), so nothing was saved.";
    click("#missing");
    EXPECT_EQ(heard(missing), missing);
    const std::string refused = missing + "|failed That file needs the panel to sign in again, so nothing was saved.";
    click("#moved");
    EXPECT_EQ(heard(refused), refused);
    const std::string unreachable =
        refused + "|failed The file could not be fetched (connection refused), so nothing was saved.";
    click("#unreachable");
    EXPECT_EQ(heard(unreachable), unreachable);

    EXPECT_TRUE(namesIn(downloads()).empty());
    EXPECT_TRUE(files->opened.empty() && files->revealed.empty());
    EXPECT_EQ(service.requests("GET", "/login").size(), 1u);
    EXPECT_EQ(lapses, 0);
    EXPECT_EQ(address(), service.baseURL() + "/app/home");
    const auto lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "tarvo: not saving a download the server refused with 404"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "tarvo: not saving a download that was redirected away from the file"),
              lines.end());
}

TEST_F(ChromiumPanelHostTest, TwoDownloadsOfOneNameAtOnceAreBothKeptAndEachIsMarkedWithWhereItCameFrom) {
    auto slowReport = file("application/pdf", "first", "attachment; filename=\"report.pdf\"");
    slowReport.delay = 300ms;
    service.answer("GET", "/app/home",
                   page(listener + "<a id=one target=_blank href='/api/attachments/1'>1</a>"
                                   "<a id=two target=_blank href='/api/attachments/2'>2</a>"));
    service.answer("GET", "/api/attachments/1", slowReport);
    service.answer("GET", "/api/attachments/2", file("application/pdf", "second", "attachment; filename=\"report.pdf\""));
    run(host->navigate(service.baseURL() + "/app/home", patience));

    click("#one");
    click("#two");
    ASSERT_TRUE(eventually([&] { return files->opened.size() == 2; }));

    EXPECT_EQ(namesIn(downloads()), (std::set<std::string>{"report.pdf", "report 2.pdf"}));
    const std::set<std::string> contents{readFile(downloads() / "report.pdf"), readFile(downloads() / "report 2.pdf")};
    EXPECT_EQ(contents, (std::set<std::string>{"first", "second"}));

    char origin[512] = {};
    const ssize_t size = ::getxattr((downloads() / "report.pdf").c_str(), "user.xdg.origin.url", origin, sizeof origin);
    if (size < 0 && errno == ENOTSUP) GTEST_SKIP() << "this file system keeps no user attributes";
    ASSERT_GT(size, 0);
    const std::string from(origin, static_cast<std::size_t>(size));
    EXPECT_TRUE(from == service.baseURL() + "/api/attachments/1" || from == service.baseURL() + "/api/attachments/2")
        << from;
    char referrer[512] = {};
    const ssize_t referrerSize =
        ::getxattr((downloads() / "report.pdf").c_str(), "user.xdg.referrer.url", referrer, sizeof referrer);
    EXPECT_EQ(std::string(referrer, static_cast<std::size_t>(std::max<ssize_t>(referrerSize, 0))),
              service.baseURL() + "/app/home");
}

TEST_F(ChromiumPanelHostTest, ThePageGetsTheJarsCookiesTheUserAgentAndTheMarkersInItsTopFrameOnly) {
    Cookie session;
    session.name = "tarvo_session";
    session.value = "s1";
    session.domain = "127.0.0.1";
    session.path = "/";
    session.httpOnly = true;
    cookies->keep(session, loop.clock().date());
    service.answer("GET", "/app/home", page("<iframe id=frame src='/app/frame'></iframe>"));
    service.answer("GET", "/app/frame", page("<p>frame</p>"));
    run(host->navigate(service.baseURL() + "/app/home", patience));

    EXPECT_EQ(service.requests("GET", "/app/home").at(0).header("cookie"), "tarvo_session=s1");
    EXPECT_EQ(run(host->evaluate("navigator.userAgent", patience)), PanelWebView::userAgent);
    EXPECT_EQ(run(pageValueOnceItIs(host.get(),
                                    "[window.__tarvoCompanion, window.__tarvoCompanionOpensFiles,"
                                    " document.getElementById('frame').contentWindow.__tarvoCompanion].join()",
                                    "true,true,")),
              "true,true,");
}

TEST_F(ChromiumPanelHostTest, WithoutADisplayAFileInputIsAnsweredWithNoFiles) {
    CapturedPlainLog log;
    service.answer("GET", "/app/home",
                   page("<input id=pick type=file multiple><script>window.changed = 0;"
                        "document.getElementById('pick').addEventListener('change', () => ++changed);</script>"));
    run(host->navigate(service.baseURL() + "/app/home", patience));

    click("#pick");
    const std::string asked =
        "tarvo: the panel's page asked for files (selectMultiple), and with no display to choose them on it was "
        "given none";
    ASSERT_TRUE(eventually([&] {
        const auto lines = log.lines();
        return std::find(lines.begin(), lines.end(), asked) != lines.end();
    }));
    EXPECT_EQ(run(host->evaluate("String(document.getElementById('pick').files.length)", patience)), "0");
    click("#pick");
    ASSERT_TRUE(eventually([&] {
        const auto lines = log.lines();
        return std::count(lines.begin(), lines.end(), asked) == 2;
    }));
}

} // namespace
} // namespace tarvo
