#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CompanionTest.h"
#include "Platform/CurlHttpTransport.h"
#include "Support/CapturedPlainLog.h"
#include "Support/FakeService.h"
#include "Support/RefusingPort.h"
#include "TarvoBase/FileSettingsStore.h"
#include "TarvoBase/Spawn.h"

using namespace std::chrono_literals;
using tarvo::BrainClient;
using tarvo::ChatDatabaseCaptureReport;
using tarvo::Companion;
using tarvo::CompanionSettings;
using tarvo::CompanionState;
using tarvo::FileSettingsStore;
using tarvo::Json;
using tarvo::MacHardware;
using tarvo::MacKind;
using tarvo::MacPermissionMode;
using tarvo::SettingsStore;
using tarvo::SimulatedOperatorPermissions;
using tarvo::Task;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::CompanionTest;
using tarvo::testing::FakeService;
using tarvo::testing::RefusingPort;
using tarvo::testing::ScriptedAnswer;
using Lines = std::vector<std::string>;

namespace {

constexpr const char* heartbeatPath = "/v1/relay/heartbeat";
const std::string installId = "5A0C8D2E-6F1B-4C3A-9D7E-2B4F6A8C0E1D";

// A real settings file that remembers which keys were written to it.
class CountingSettingsStore final : public SettingsStore {
public:
    explicit CountingSettingsStore(std::filesystem::path folder) : file_(std::move(folder)) {}

    std::optional<Json> object(std::string_view forKey) const override { return file_.object(forKey); }
    void set(std::optional<Json> value, std::string_view forKey) override {
        writes.emplace_back(forKey);
        file_.set(std::move(value), forKey);
    }

    Lines writes;

private:
    FileSettingsStore file_;
};

// The companion with its own heartbeat, signed in to the loopback service; every other pass
// does nothing.
class HeartbeatCompanion final : public Companion {
public:
    HeartbeatCompanion(Services services, std::shared_ptr<BrainClient> brain)
        : Companion(std::move(services)), brain_(std::move(brain)) {}

    std::shared_ptr<BrainClient> client() override { return brain_; }
    void beginSignIn() override {}
    Task<void> runRelayJobs() override { co_return; }
    Task<void> capture() override { co_return; }
    Task<void> captureWhatsApp() override { co_return; }
    Task<void> captureRecentFirst(std::shared_ptr<BrainClient>, std::string) override { co_return; }

    // Signed in, with Messages readable and these kinds chosen.
    void advertise(std::vector<std::string> kinds) {
        state_.signIn = CompanionState::SignIn::signedIn("ana@example.com");
        state_.canReadMessages = true;
        state_.enabledChannels = std::move(kinds);
    }
    CompanionState& editableState() { return state_; }
    std::optional<CaptureReport>& lastCapture() { return lastCapture_; }
    ChatDatabaseCaptureReport& chatDbReport() { return chatDbReport_; }

    Lines endedSessions;

protected:
    void endSession(const std::string& reason) override { endedSessions.push_back(reason); }

private:
    std::shared_ptr<BrainClient> brain_;
};

class HeartbeatTest : public CompanionTest {
protected:
    HeartbeatTest() { store->set(Json(installId), "TarvoInstallId"); }

    std::shared_ptr<HeartbeatCompanion> make(std::optional<std::string> baseURL = {}, bool withClient = true) {
        std::shared_ptr<BrainClient> brain;
        if (withClient) {
            brain = std::make_shared<BrainClient>(baseURL.value_or(service.baseURL()),
                                                  tarvo::ClientIdentity{"macos", 1234, "1.2.3", "Test Mac", {}},
                                                  BrainClient::Credentials{"access-1", "refresh-1", "device-9"},
                                                  std::make_shared<tarvo::CurlHttpTransport>());
        }
        return std::make_shared<HeartbeatCompanion>(
            Companion::Services{
                .defaults = store,
                .chatDatabasePath = (folder / "missing-chat.db").string(),
                .whatsapp = whatsapp,
                .operatorPermissions = permissions,
                .operatorLink = link,
                .notificationCenter = centre,
                .badge = badge,
            },
            std::move(brain));
    }

    void beat(HeartbeatCompanion& companion) { tarvo::runUntilDone(loop, companion.heartbeat()); }

    void answer(const Json& body) { service.queue("POST", heartbeatPath, ScriptedAnswer{200, body.dump()}); }

    // A well-formed answer with these members besides the two it always has.
    static Json answerWith(const Json& members) {
        Json body{{"channels", Json::array()}, {"waitingJobs", 0}};
        if (members.is_object()) body.update(members);
        return body;
    }

    std::vector<Json> bodiesSent() const {
        std::vector<Json> bodies;
        for (const auto& request : service.requests("POST", heartbeatPath)) bodies.push_back(Json::parse(request.body));
        return bodies;
    }

    FakeService service;
    std::shared_ptr<CountingSettingsStore> store = std::make_shared<CountingSettingsStore>(folder / "config");
};

Lines linesContaining(const Lines& lines, const std::string& part) {
    Lines found;
    for (const auto& line : lines) {
        if (line.find(part) != std::string::npos) found.push_back(line);
    }
    return found;
}

} // namespace

TEST_F(HeartbeatTest, BodyCarriesTheCompanionsValuesWithEachOptionalObjectAbsentOrPresent) {
    const std::string longReason = "Messages cannot be read: " + std::string(190, 'x');
    Companion::CaptureReport report{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, "read"};
    const Json reportWire{{"chatsInList", 1},
                          {"changedChats", 2},
                          {"openedChats", 3},
                          {"unopenableChats", 4},
                          {"rowsWithoutTarget", 5},
                          {"noPressTarget", 6},
                          {"neverSelected", 7},
                          {"openedEmpty", 8},
                          {"raced", 9},
                          {"nonConversationRows", 10},
                          {"rowsWithoutChatId", 11},
                          {"sharedKeyRows", 12},
                          {"skipped", 13},
                          {"stage", "read"}};
    Json stagelessWire = reportWire;
    stagelessWire["stage"] = nullptr;
    const tarvo::OperatorCaps caps{.enabled = true, .displayCount = 1};
    const Json lowerId = Json("5a0c8d2e-6f1b-4c3a-9d7e-2b4f6a8c0e1d");

    const Json bare{{"channels", Json::array()},
                    {"blockedReason", nullptr},
                    {"device", {{"installId", lowerId}}},
                    {"nudgeNotices", true}};
    const Json full{{"channels", {"imessage", "sms", "whatsapp"}},
                    {"blockedReason", longReason.substr(0, 200)},
                    {"capture", reportWire},
                    {"operator", caps.wire()},
                    {"chatDb", {{"stage", "read"}, {"failure", nullptr}, {"completedAgoSeconds", 90}}},
                    {"device",
                     {{"installId", lowerId},
                      {"hardwareModel", "Mac14,2"},
                      {"modelName", "MacBook Air (M2, 2022)"},
                      {"kind", "macbook_air"}}},
                    {"nudgeNotices", true}};
    Json fullWithoutStage = full;
    fullWithoutStage["capture"] = stagelessWire;

    struct Case {
        const char* name;
        bool everything;
        std::optional<std::string> stage;
        const Json& body;
    };
    const Case cases[] = {
        {"nothing to report", false, std::nullopt, bare},
        {"every object present", true, "read", full},
        {"a capture without a stage", true, std::nullopt, fullWithoutStage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        permissions = std::make_shared<SimulatedOperatorPermissions>(
            c.everything ? MacHardware{"Mac14,2", "MacBook Air (M2, 2022)", MacKind::macBookAir, true} : MacHardware{});
        auto companion = make();
        if (c.everything) {
            companion->advertise({"imessage", "sms", "whatsapp"});
            companion->editableState().blockedReason = longReason;
            report.stage = c.stage;
            companion->lastCapture() = report;
            permissions->read(caps);
            companion->chatDbReport().finished(ChatDatabaseCaptureReport::Loop::backlog, 3, clock->date() - 90s);
        }
        answer(answerWith({}));
        beat(*companion);

        const Json sent = bodiesSent().back();
        EXPECT_EQ(sent, c.body);
        if (c.everything) {
            EXPECT_EQ(sent["capture"].size(), 14u);
        }
    }
}

TEST_F(HeartbeatTest, AnswersAreAppliedMemberByMember) {
    constexpr std::int64_t largest = INT64_MAX;
    const Json nudge{{"turnId", "0F8FAD5B-D9CB-469F-A165-70867728950E"}, {"title", "Reply?"}, {"body", "Ana wrote"}};
    const std::string okNothing = "tarvo: heartbeat ok, advertising nothing";
    const std::string dropped = " with no connected channel on this account — those messages are being dropped. "
                                "Connect it in Settings.";
    // What the companion shows once the answer is applied.
    struct Applied {
        std::optional<std::string> badge{};
        std::optional<std::int64_t> heard{};
        std::optional<MacPermissionMode> mode{};
        Lines unconnected{};
        Lines log{};
        std::size_t notices = 0;
    };
    struct Case {
        const char* name;
        // Of the answer, besides the two members it always has.
        Json members;
        std::vector<std::string> advertised;
        std::optional<std::string> badgeBefore;
        Applied applied;
    };
    const Case cases[] = {
        {"bare answer", {}, {}, "3", {.badge = "3", .log = {okNothing}}},
        {"needs you alone", {{"needsYou", 2}}, {}, std::nullopt,
         {.badge = "2", .heard = 2, .log = {"tarvo: dock badge none -> 2 (2 waiting, 0 follow-ups)", okNothing}}},
        {"both zero", {{"needsYou", 0}, {"followUpCount", 0}}, {}, "3",
         {.heard = 0, .log = {"tarvo: dock badge 3 -> none (0 waiting, 0 follow-ups)", okNothing}}},
        {"zero under no badge", {{"followUpCount", 0}}, {}, std::nullopt, {.heard = 0, .log = {okNothing}}},
        {"the total already shown", {{"needsYou", 1}, {"followUpCount", 1}}, {}, "2",
         {.badge = "2", .heard = 2, .log = {okNothing}}},
        {"a negative count reads as none", {{"needsYou", -4}, {"followUpCount", 3}}, {}, std::nullopt,
         {.badge = "3", .heard = 3, .log = {"tarvo: dock badge none -> 3 (0 waiting, 3 follow-ups)", okNothing}}},
        {"a total past the largest integer stays at it", {{"needsYou", largest}, {"followUpCount", 5}}, {},
         std::nullopt,
         {.badge = "9223372036854775807",
          .heard = largest,
          .log = {"tarvo: dock badge none -> 9223372036854775807 (9223372036854775807 waiting, 5 follow-ups)",
                  okNothing}}},
        {"mode auto_read", {{"macPermissionMode", "auto_read"}}, {}, std::nullopt,
         {.mode = MacPermissionMode::autoRead, .log = {okNothing}}},
        {"mode auto", {{"macPermissionMode", "auto"}}, {}, std::nullopt,
         {.mode = MacPermissionMode::auto_, .log = {okNothing}}},
        {"mode in another letter case", {{"macPermissionMode", "Ask"}}, {}, std::nullopt, {.log = {okNothing}}},
        {"nudge", {{"nudge", nudge}}, {}, std::nullopt, {.log = {okNothing}, .notices = 1}},
        {"one of two kinds connected",
         {{"channelIds", {{"whatsapp", "wa-1"}}}, {"unmatched", {"imessage", "sms"}}},
         {"imessage", "whatsapp"},
         std::nullopt,
         {.unconnected = {"imessage"},
          .log = {"tarvo: learned channel ids for whatsapp",
                  "tarvo: advertising imessage" + dropped + " The account has no row at all for imessage, sms.",
                  "tarvo: heartbeat ok, advertising imessage, whatsapp"}}},
        {"unmatched present but empty",
         {{"channelIds", {{"sms", "sms-1"}}}, {"unmatched", Json::array()}},
         {"imessage", "sms"},
         std::nullopt,
         {.unconnected = {"imessage"},
          .log = {"tarvo: learned channel ids for sms", "tarvo: advertising imessage" + dropped,
                  "tarvo: heartbeat ok, advertising imessage, sms"}}},
        {"no ids while advertising",
         {{"channelIds", Json::object()}},
         {"imessage", "sms"},
         std::nullopt,
         {.log = {"tarvo: heartbeat named no channel ids while advertising imessage, sms — leaving the previous "
                  "state alone rather than reporting every channel as dropped",
                  "tarvo: heartbeat ok, advertising imessage, sms"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        centre->added.clear();
        badge->setLabel(c.badgeBefore);
        permissions->permissionMode = MacPermissionMode::ask;
        auto companion = make();
        companion->advertise(c.advertised);
        companion->editableState().unconnectedChannels = {"sms"};
        settle();
        answer(answerWith(c.members));
        CapturedPlainLog log;
        beat(*companion);
        settle();

        EXPECT_EQ(badge->label(), c.applied.badge);
        EXPECT_EQ(companion->arrivals().announced(), c.applied.heard);
        EXPECT_EQ(permissions->permissionMode, c.applied.mode);
        EXPECT_EQ(companion->state().unconnectedChannels, c.applied.unconnected);
        EXPECT_EQ(companion->state().lastHeartbeatAt, clock->date());
        EXPECT_EQ(log.lines(), c.applied.log);
        EXPECT_EQ(centre->added.size(), c.applied.notices);
    }
}

TEST_F(HeartbeatTest, ChannelIdsAreLearnedAndChangedButNeverRemovedAndOutliveTheStore) {
    store->set(Json("im-old"), CompanionSettings::imessageChannelIdKey);
    auto companion = make();
    companion->advertise({"imessage", "sms", "whatsapp"});
    CapturedPlainLog log;
    const auto beatAnswering = [&](Json answerBody) {
        answer(answerBody);
        store->writes.clear();
        beat(*companion);
    };

    beatAnswering(answerWith({{"channelIds", {{"imessage", "im-1"}, {"sms", "sms-1"}, {"telegram", "tg-1"}}}}));
    EXPECT_EQ(store->writes, (Lines{"TarvoImessageChannelId", "TarvoSmsChannelId"}));
    beatAnswering(answerWith({{"channelIds", {{"whatsapp", "wa-1"}}}}));
    EXPECT_EQ(store->writes, Lines{"TarvoWhatsappChannelId"});
    beatAnswering(answerWith({{"channelIds", {{"imessage", "im-1"}, {"whatsapp", "wa-1"}}}}));
    EXPECT_EQ(store->writes, Lines{});
    beatAnswering(answerWith({{"channelIds", Json::object()}}));
    beatAnswering(answerWith({}));
    EXPECT_EQ(store->writes, Lines{});

    EXPECT_EQ(companion->settings().imessageChannelId, "im-1");
    EXPECT_EQ(companion->settings().smsChannelId, "sms-1");
    EXPECT_EQ(companion->settings().whatsappChannelId, "wa-1");
    EXPECT_EQ(linesContaining(log.lines(), "learned"),
              (Lines{"tarvo: learned channel ids for imessage, sms", "tarvo: learned channel ids for whatsapp"}));

    const CompanionSettings reread = CompanionSettings::load(FileSettingsStore(folder / "config"));
    EXPECT_EQ(reread.imessageChannelId, "im-1");
    EXPECT_EQ(reread.smsChannelId, "sms-1");
    EXPECT_EQ(reread.whatsappChannelId, "wa-1");
}

TEST_F(HeartbeatTest, AFailedHeartbeatIsNotedAndChangesNothing) {
    RefusingPort closed;
    struct Case {
        const char* name;
        std::optional<std::string> baseURL;
        std::vector<ScriptedAnswer> answers;
        std::string noted;
        Lines endedSessions;
    };
    const std::string renewalRefused = "401 invalid_token: Tarvo could not renew this Mac's sign-in.";
    const Case cases[] = {
        {"refused and not renewed",
         std::nullopt,
         {ScriptedAnswer{401, ""}},
         "tarvo: heartbeat failed: " + renewalRefused,
         {renewalRefused}},
        {"server error",
         std::nullopt,
         {ScriptedAnswer{500, R"({"code":"boom","message":"down"})"}},
         "tarvo: heartbeat failed: 500 boom: down",
         {}},
        {"answer not understood",
         std::nullopt,
         {ScriptedAnswer{200, R"({"channels":[]})"}},
         "tarvo: heartbeat failed: Tarvo sent something unexpected: ",
         {}},
        {"closed port", closed.baseURL(), {}, "tarvo: heartbeat failed: Could not reach Tarvo: ", {}},
    };
    service.answer("POST", "/v1/auth/refresh", 401);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& scripted : c.answers) service.queue("POST", heartbeatPath, scripted);
        badge->setLabel("4");
        permissions->permissionMode = MacPermissionMode::autoRead;
        auto companion = make(c.baseURL);
        companion->advertise({"imessage"});
        companion->editableState().unconnectedChannels = {"imessage"};
        store->writes.clear();
        const CompanionState before = companion->state();
        const CompanionSettings settingsBefore = companion->settings();
        CapturedPlainLog log;
        beat(*companion);
        settle();

        const Lines noted = linesContaining(log.lines(), "tarvo: heartbeat failed: ");
        ASSERT_EQ(noted.size(), 1u);
        EXPECT_TRUE(noted[0].starts_with(c.noted)) << noted[0];
        EXPECT_EQ(companion->endedSessions, c.endedSessions);
        EXPECT_EQ(companion->state(), before);
        EXPECT_EQ(companion->settings(), settingsBefore);
        EXPECT_EQ(store->writes, Lines{});
        EXPECT_EQ(badge->label(), "4");
        EXPECT_EQ(permissions->permissionMode, MacPermissionMode::autoRead);
        EXPECT_EQ(companion->arrivals().announced(), std::nullopt);
    }
}

TEST_F(HeartbeatTest, WithoutAClientNothingIsSentAndWhyIsSaidOnce) {
    auto companion = make(std::nullopt, false);
    CapturedPlainLog log;
    beat(*companion);
    beat(*companion);

    EXPECT_EQ(log.lines(), Lines{"tarvo: heartbeat skipped — this computer is not signed in — sign in with "
                                 "`tarvo-companion pair`"});
    EXPECT_EQ(service.requests().size(), 0u);
    EXPECT_EQ(companion->state().lastHeartbeatAt, std::nullopt);
}

TEST_F(HeartbeatTest, TheRunningCompanionBeatsEveryThirtySecondsAndBeforeSleep) {
    service.answer("POST", heartbeatPath, ScriptedAnswer{200, answerWith({{"needsYou", 1}}).dump()});
    auto companion = make();
    companion->launch();
    runFor(60s);
    EXPECT_EQ(bodiesSent().size(), 3u);
    EXPECT_EQ(companion->state().lastHeartbeatAt, clock->date());

    permissions->sleep();
    settle();
    const auto sent = bodiesSent();
    ASSERT_EQ(sent.size(), 4u);
    // The tick found the Messages database unreadable, and says so.
    const auto reason = companion->state().heartbeatBlockedReason();
    ASSERT_TRUE(reason);
    EXPECT_EQ(sent.back()["blockedReason"], *reason);
    EXPECT_EQ(badge->label(), "1");
}
