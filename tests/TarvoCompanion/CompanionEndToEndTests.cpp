// The companion program as a user runs it, against the stand-in service, judged only by what the
// service received.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Support/AccessTokens.h"
#include "Support/MessagesDatabaseFixture.h"
#include "Support/RefusingPort.h"
#include "Support/RunningProgram.h"
#include "Support/SampleMessages.h"
#include "Support/ServiceRecord.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/Base64.h"
#include "TarvoBase/Clock.h"
#include "TarvoBase/Json.h"
#include "TarvoBase/TarvoDate.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"
#include "TarvoCore/Panel/PanelWebView.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tarvo::ChatDatabase;
using tarvo::Json;
using tarvo::testing::MessagesDatabaseFixture;
using tarvo::testing::RunningProgram;
using tarvo::testing::SampleMessages;
using tarvo::testing::ServiceRecord;
using tarvo::testing::TemporaryFolder;

const std::string deviceId = "device-end-to-end";
const std::string accessToken = tarvo::testing::accessTokenExpiringAt(4'000'000'000.0);
const std::string refreshToken = "refresh-end-to-end";

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path withFolderMade(const fs::path& file) {
    fs::create_directories(file.parent_path());
    return file;
}

void writeFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

std::set<std::string> ingestedIds(const ServiceRecord& record) {
    std::set<std::string> ids;
    for (const Json& request : record.requests("POST", "/v1/ingest")) ids.insert(request["body"]["externalMessageId"]);
    return ids;
}

bool allIngested(const ServiceRecord& record, const std::vector<std::string>& guids) {
    const std::set<std::string> ids = ingestedIds(record);
    return std::all_of(guids.begin(), guids.end(), [&](const std::string& guid) { return ids.contains(guid); });
}

// What an ingest must say of a message, from the reader's own reading of it.
Json expectedIngest(const ChatDatabase::Message& message) {
    Json expected{{"channelId", message.isSMS ? "channel-sms" : "channel-imessage"},
                  {"externalThreadId", message.chatIdentifier},
                  {"externalMessageId", message.guid},
                  {"direction", message.isFromMe ? "outbound" : "inbound"},
                  {"body", message.text},
                  {"sentAt", tarvo::TarvoDate::format(message.date)},
                  {"threadKind", message.isGroup ? "group" : "direct"},
                  {"senderIdentifier", message.handle ? Json(*message.handle) : Json(nullptr)},
                  {"attachments", Json::array()}};
    for (const auto& file : message.attachments) {
        expected["attachments"].push_back(Json{{"externalId", file.guid},
                                               {"filename", file.filename},
                                               {"mimeType", file.mimeType},
                                               {"sizeBytes", file.sizeBytes}});
    }
    return expected;
}

// The same members of an ingest as it arrived.
Json ingested(const Json& body) {
    Json seen = Json::object();
    for (const char* key : {"channelId", "externalThreadId", "externalMessageId", "direction", "body", "sentAt",
                            "threadKind", "senderIdentifier"}) {
        seen[key] = body.value(key, Json(nullptr));
    }
    seen["attachments"] = Json::array();
    for (const Json& file : body.value("attachments", Json::array())) {
        seen["attachments"].push_back(Json{{"externalId", file["externalId"]},
                                           {"filename", file["filename"]},
                                           {"mimeType", file["mimeType"]},
                                           {"sizeBytes", file["sizeBytes"]}});
    }
    return seen;
}

// A computer of its own for the companion: a home with the settings that point it at the
// stand-in service, a token pair in its secret store, and a Messages database where the
// companion looks for it.
class CompanionEndToEnd : public ::testing::Test {
protected:
    CompanionEndToEnd()
        : record(home / "service-record.jsonl"), messages(withFolderMade(home / "Library/Messages/chat.db")) {
        for (const char* folder : {"tmp", "run", "cache", "state"}) fs::create_directories(home / folder);
        fs::permissions(home / "run", fs::perms::owner_all);
    }

    ~CompanionEndToEnd() override {
        if (service) {
            service->signal(SIGTERM);
            service->exitStatus();
        }
    }

    fs::path settingsFile() const { return home / "config/tarvo/settings.json"; }
    fs::path secretsFile() const { return home / "data/com.tarvo.companion/secrets.json"; }

    // Writes the settings that point the companion at it, and a token pair, unless `port` is
    // given: those were written for that port before.
    void startService(const Json& script, int port = 0) {
        writeFile(home / "service-script.json", script.dump());
        service.emplace(TARVO_STAND_IN_SERVICE_EXECUTABLE,
                        std::vector<std::string>{"--record", record.path().string(), "--script",
                                                 (home / "service-script.json").string(), "--port",
                                                 std::to_string(port)},
                        std::map<std::string, std::string>{});
        ASSERT_TRUE(service->waitFor("\n")) << service->output();
        if (port != 0) return;
        const std::string url = "http://127.0.0.1:" + service->output().substr(0, service->output().find('\n'));
        writeFile(settingsFile(),
                  Json{{"TarvoBaseURL", url}, {"TarvoApiURL", url}, {"TarvoDeviceId", deviceId}}.dump());
        writeSecrets(accessToken, refreshToken);
    }

    void writeSecrets(const std::string& access, const std::string& refresh) const {
        writeFile(secretsFile(), Json{{"accessToken", access}, {"refreshToken", refresh}}.dump());
        fs::permissions(secretsFile(), fs::perms::owner_read | fs::perms::owner_write);
        fs::permissions(secretsFile().parent_path(), fs::perms::owner_all);
    }

    std::unique_ptr<RunningProgram> startCompanion(const std::vector<std::string>& arguments = {}) const {
        return std::make_unique<RunningProgram>(
            TARVO_COMPANION_EXECUTABLE, arguments,
            std::map<std::string, std::string>{{"HOME", home.path().string()},
                                               {"XDG_CONFIG_HOME", (home / "config").string()},
                                               {"XDG_DATA_HOME", (home / "data").string()},
                                               {"XDG_CACHE_HOME", (home / "cache").string()},
                                               {"XDG_STATE_HOME", (home / "state").string()},
                                               {"XDG_RUNTIME_DIR", (home / "run").string()},
                                               {"TMPDIR", (home / "tmp").string()}});
    }

    // A message dated `age` before the wall clock's now: the companion reads back from the real
    // time of its start. Answers its row.
    std::int64_t addMessage(std::int64_t chat, const std::string& guid, const std::string& text, std::int64_t handle,
                            std::chrono::seconds age, bool fromMe = false) {
        const auto date = tarvo::SystemClock().date() - age;
        return messages.addMessage({.guid = guid,
                                    .chat = chat,
                                    .date = MessagesDatabaseFixture::nanoseconds(date),
                                    .text = text,
                                    .isFromMe = fromMe,
                                    .handle = fromMe ? 0 : handle,
                                    .isSent = fromMe});
    }

    // The messages as the reader reads them now.
    std::vector<ChatDatabase::Message> readMessages() const {
        return ChatDatabase(messages.path().string())
            .messages(tarvo::SystemClock().date() - std::chrono::hours(24 * 6), 1000)
            .messages;
    }

    TemporaryFolder home;
    ServiceRecord record;
    MessagesDatabaseFixture messages;
    std::optional<RunningProgram> service;
};

} // namespace

TEST_F(CompanionEndToEnd, HandsOverEveryMessageWithItsFilesAndEventsReportsTheRelayJobAndStopsCleanly) {
    const SampleMessages sample = SampleMessages::write(messages, home.path(), tarvo::SystemClock().date());
    startService(Json{{"relayJobs", Json::array({Json{{"id", "job-1"},
                                                       {"channelKind", "imessage"},
                                                       {"threadId", "thread-1"},
                                                       {"conversationRef", "+15550100"},
                                                       {"body", "Running ten minutes late"},
                                                       {"waitingSeconds", 4},
                                                       {"attempts", 0}}})}});
    auto companion = startCompanion();

    EXPECT_TRUE(record.waitUntil([&](const ServiceRecord& seen) { return allIngested(seen, sample.guids); }))
        << companion->output();

    // Rows written while it runs, on both sides of the writer starting its log over.
    addMessage(sample.direct, "LIVE-1", "Leaving now", sample.him, 0s);
    const auto tickets = addMessage(sample.group, "LIVE-2", "Tickets attached", sample.her, 0s);
    SampleMessages::addFile(messages, home.path(), tickets, "LIVE-FILE-1", "tickets.pdf", "application/pdf",
                            "%PDF-1.4 two tickets");
    EXPECT_TRUE(record.waitUntil([](const ServiceRecord& seen) { return allIngested(seen, {"LIVE-1", "LIVE-2"}); }))
        << companion->output();
    messages.execute("pragma wal_checkpoint(truncate)");
    addMessage(sample.group, "LIVE-3", "See you there", 0, 0s, true);
    EXPECT_TRUE(record.waitUntil([](const ServiceRecord& seen) { return allIngested(seen, {"LIVE-3"}); }))
        << companion->output();

    EXPECT_TRUE(record.waitUntil([](const ServiceRecord& seen) {
        return !seen.requests("POST", "/v1/relay/jobs/job-1/result").empty() &&
               !seen.requests("POST", "/v1/ingest/message-events").empty();
    })) << companion->output();
    // A paired computer opens the panel at start: its browser loads the web application.
    EXPECT_TRUE(record.waitUntil([](const ServiceRecord& seen) { return !seen.requests("GET", "/app").empty(); }))
        << companion->output();

    companion->signal(SIGTERM);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
    for (const auto& left : fs::directory_iterator(home / "tmp")) {
        EXPECT_FALSE(left.path().filename().string().starts_with("tarvo-chatdb-")) << left.path();
    }

    // Every request of the companion's own came as this computer, signed in. The panel's page is
    // the browser's: it is signed in by the cookie the session exchange gave, and the device's
    // token never reaches the browser.
    const std::vector<Json> requests = record.requests();
    EXPECT_FALSE(record.requests("POST", "/v1/relay/heartbeat").empty());
    for (const Json& request : requests) {
        const std::string path = request["path"];
        if (path.starts_with("/v1/") || path == "/api/auth/companion") {
            EXPECT_EQ(request["headers"].value("authorization", ""), "Bearer " + accessToken) << request.dump();
            EXPECT_EQ(request["headers"].value("x-tarvo-device", ""), deviceId) << request.dump();
        } else {
            EXPECT_EQ(request["headers"].value("user-agent", ""), tarvo::PanelWebView::userAgent) << request.dump();
            EXPECT_FALSE(request["headers"].contains("authorization")) << request.dump();
            EXPECT_FALSE(request["headers"].contains("x-tarvo-device")) << request.dump();
        }
    }
    const std::vector<Json> panelPages = record.requests("GET", "/app");
    ASSERT_FALSE(panelPages.empty());
    EXPECT_EQ(panelPages.front()["headers"].value("cookie", ""), "tarvo_session=stand-in");

    // Each message exactly as the reader reads it, and each of its files' bytes where the
    // service asked for them.
    std::map<std::string, std::string> uploads;
    for (const Json& upload : record.requests("POST", "/v1/ingest/attachments/")) {
        uploads[upload["path"]] = upload["body"]["dataBase64"];
    }
    const std::vector<ChatDatabase::Message> read = readMessages();
    ASSERT_EQ(read.size(), 9u);
    for (const ChatDatabase::Message& message : read) {
        SCOPED_TRACE(message.guid);
        std::vector<Json> ingests;
        for (const Json& ingest : record.requests("POST", "/v1/ingest")) {
            if (ingest["body"]["externalMessageId"] == message.guid) ingests.push_back(ingest);
        }
        ASSERT_FALSE(ingests.empty());
        for (const Json& ingest : ingests) {
            EXPECT_EQ(ingested(ingest["body"]), expectedIngest(message));
            for (std::size_t i = 0; i < message.attachments.size(); ++i) {
                const auto& file = message.attachments[i];
                const std::string bytes = fileText(SampleMessages::filePath(home.path(), file.guid, file.filename));
                const std::string wanted = ingest["answer"]["attachments"][i]["id"];
                EXPECT_EQ(uploads["/v1/ingest/attachments/" + wanted + "/bytes"], tarvo::Base64::encode(bytes));
            }
        }
    }

    // The reaction and the receipts of the answered message.
    std::set<std::pair<std::string, std::string>> events;
    for (const Json& batch : record.requests("POST", "/v1/ingest/message-events")) {
        EXPECT_EQ(batch["body"]["channelId"], "channel-imessage");
        for (const Json& event : batch["body"]["events"]) events.emplace(event["kind"], event["messageExternalId"]);
    }
    EXPECT_TRUE(events.contains({"reaction", sample.answered}));
    EXPECT_TRUE(events.contains({"status", sample.answered}));

    // No Messages app runs here, so the send failed on this computer, and the report says so.
    const std::vector<Json> reports = record.requests("POST", "/v1/relay/jobs/job-1/result");
    ASSERT_EQ(reports.size(), 1u);
    const std::string card =
        "Something went wrong on this Mac. Check Messages to see whether it went before sending it again.";
    EXPECT_EQ(reports[0]["body"], (Json{{"ok", false}, {"failureReason", card}}));
    EXPECT_NE(companion->output().find("tarvo: relay job job-1 failed on this computer: "), std::string::npos)
        << companion->output();
    EXPECT_NE(companion->output().find("/usr/bin/osascript is not on this computer"), std::string::npos);
    for (const std::string& token : {accessToken, refreshToken}) {
        EXPECT_EQ(companion->output().find(token), std::string::npos) << "the log carries a token";
    }
}

TEST_F(CompanionEndToEnd, AfterAKillMidCaptureARestartHandsOverEveryMessageAndTheStoresStayWhole) {
    const auto chat = messages.addChat({.chatIdentifier = "+15550100"});
    const auto him = messages.addHandle("+15550100");
    messages.addChatHandle(chat, him);
    std::vector<std::string> guids;
    for (int i = 0; i < 40; ++i) {
        guids.push_back("CRASH-" + std::to_string(i));
        addMessage(chat, guids.back(), "message number " + std::to_string(i), him, std::chrono::minutes(200 - 4 * i),
                   i % 3 == 0);
    }
    // A slow service keeps the capture under way long enough to be cut short.
    startService(Json{{"answers", Json::array({Json{{"method", "POST"}, {"path", "/v1/ingest"}, {"delayMs", 150}}})}});
    const Json settingsBefore = Json::parse(fileText(settingsFile()));
    const Json secretsBefore = Json::parse(fileText(secretsFile()));

    auto companion = startCompanion();
    ASSERT_TRUE(record.waitUntil([](const ServiceRecord& seen) { return ingestedIds(seen).size() >= 5; }))
        << companion->output();
    companion->signal(SIGKILL);
    EXPECT_EQ(companion->exitStatus(), -1);
    ASSERT_LT(ingestedIds(record).size(), guids.size()) << "the capture ended before the kill";

    const auto stillWhole = [&] {
        EXPECT_EQ(Json::parse(fileText(secretsFile())), secretsBefore);
        const Json settings = Json::parse(fileText(settingsFile()));
        for (const auto& [key, value] : settingsBefore.items()) EXPECT_EQ(settings.value(key, Json()), value) << key;
        for (const fs::path& folder : {settingsFile().parent_path(), secretsFile().parent_path()}) {
            for (const auto& file : fs::directory_iterator(folder)) {
                EXPECT_EQ(file.path().filename().string().find(".corrupt-"), std::string::npos) << file.path();
            }
        }
    };
    stillWhole();

    const fs::path copies = home / "cache/com.tarvo.companion/chatdb-copies";
    const auto copiesLeft = [&] {
        std::size_t count = 0;
        std::error_code failed;
        for (const auto& left : fs::directory_iterator(copies, failed)) {
            count += left.path().filename().string().starts_with("tarvo-chatdb-") ? 1 : 0;
        }
        return count;
    };
    EXPECT_EQ(copiesLeft(), 1u) << "the killed companion's copy";

    companion = startCompanion();
    EXPECT_TRUE(record.waitUntil([&](const ServiceRecord& seen) { return allIngested(seen, guids); }))
        << companion->output();
    EXPECT_EQ(copiesLeft(), 1u) << "the killed companion's copy was removed, the running one's is there";
    companion->signal(SIGTERM);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
    stillWhole();
    EXPECT_EQ(copiesLeft(), 0u);

    // What went before the kill does not go again; only the one whose answer was on its way
    // when the program was killed may come twice.
    std::map<std::string, int> times;
    for (const Json& request : record.requests("POST", "/v1/ingest")) ++times[request["body"]["externalMessageId"]];
    int twice = 0;
    for (const auto& [guid, count] : times) {
        EXPECT_LE(count, 2) << guid;
        twice += count > 1 ? 1 : 0;
    }
    EXPECT_LE(twice, 1);
}

namespace {

std::int64_t steadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(tarvo::SystemClock().now().time_since_epoch())
        .count();
}

// How many times the service was handed each message, counting the requests from `from` on.
std::map<std::string, int> ingestCounts(const std::vector<Json>& requests, std::size_t from = 0) {
    std::map<std::string, int> times;
    for (std::size_t i = from; i < requests.size(); ++i) {
        if (requests[i]["method"] == "POST" && requests[i]["path"] == "/v1/ingest") {
            ++times[requests[i]["body"]["externalMessageId"]];
        }
    }
    return times;
}

std::vector<std::int64_t> heartbeatArrivals(const std::vector<Json>& requests, std::size_t from) {
    std::vector<std::int64_t> arrivals;
    for (std::size_t i = from; i < requests.size(); ++i) {
        if (requests[i]["method"] == "POST" && requests[i]["path"] == "/v1/relay/heartbeat") {
            arrivals.push_back(requests[i]["arrivedAtMicros"]);
        }
    }
    return arrivals;
}

// The copies of the Messages database in the program's cache folder and in the temporary one.
std::size_t databaseCopies(const fs::path& home) {
    std::size_t count = 0;
    for (const fs::path& folder : {home / "cache/com.tarvo.companion/chatdb-copies", home / "tmp"}) {
        std::error_code failed;
        for (const auto& left : fs::directory_iterator(folder, failed)) {
            count += left.path().filename().string().starts_with("tarvo-chatdb-") ? 1 : 0;
        }
    }
    return count;
}

} // namespace

TEST_F(CompanionEndToEnd, ARestartPostsNothingHandedOverBeforeAndKeepsTheHeartbeatAndTheLivePassGoing) {
    const auto chat = messages.addChat({.chatIdentifier = "+15550100"});
    const auto him = messages.addHandle("+15550100");
    messages.addChatHandle(chat, him);
    std::vector<std::string> guids;
    messages.execute("begin");
    for (int i = 0; i < 3000; ++i) {
        guids.push_back("HOUR-" + std::to_string(i));
        addMessage(chat, guids.back(), "message number " + std::to_string(i), him, std::chrono::seconds(3000 - i),
                   i % 4 == 0);
    }
    messages.execute("commit");
    startService(Json::object());

    auto companion = startCompanion();
    ASSERT_TRUE(record.waitUntil([&](const ServiceRecord& seen) { return allIngested(seen, guids); }, 180s))
        << companion->output();
    companion->signal(SIGTERM);
    ASSERT_EQ(companion->exitStatus(), 0) << companion->output();

    const std::size_t firstRun = record.requests().size();
    companion = startCompanion();
    ASSERT_TRUE(record.waitUntil(
        [&](const ServiceRecord& seen) { return !heartbeatArrivals(seen.requests(), firstRun).empty(); }))
        << companion->output();
    // Written while the restarted program would, before the mend, still be posting the last hour.
    std::this_thread::sleep_for(5s);
    addMessage(chat, "AFTER-RESTART", "Are you still coming?", him, 0s);
    const std::int64_t committedAt = steadyMicros();
    ASSERT_TRUE(record.waitUntil([](const ServiceRecord& seen) { return allIngested(seen, {"AFTER-RESTART"}); }))
        << companion->output();
    // The heartbeats of a whole interval and the next one.
    ASSERT_TRUE(record.waitUntil(
        [&](const ServiceRecord& seen) {
            const auto beats = heartbeatArrivals(seen.requests(), firstRun);
            return beats.size() >= 2 && beats.back() - beats.front() >= 25'000'000;
        },
        120s))
        << companion->output();
    companion->signal(SIGTERM);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();

    const std::vector<Json> requests = record.requests();
    EXPECT_EQ(ingestCounts(requests, firstRun), (std::map<std::string, int>{{"AFTER-RESTART", 1}}));
    for (const auto& [guid, times] : ingestCounts(requests)) EXPECT_EQ(times, 1) << guid;
    // Bounds far above the 5 s live interval and the 30 s tick, far below a pass that re-posts
    // the hour before anything else runs.
    for (const Json& ingest : record.requests("POST", "/v1/ingest")) {
        if (ingest["body"]["externalMessageId"] != "AFTER-RESTART") continue;
        EXPECT_LT(ingest["arrivedAtMicros"].get<std::int64_t>() - committedAt, 30'000'000);
    }
    const auto beats = heartbeatArrivals(requests, firstRun);
    for (std::size_t i = 1; i < beats.size(); ++i) EXPECT_LT(beats[i] - beats[i - 1], 50'000'000) << i;
}

TEST_F(CompanionEndToEnd, KilledThreeTimesInABusyRunItHandsOverEveryMessageNoneTwiceAndLeavesNoCopy) {
    const auto chat = messages.addChat({.chatIdentifier = "+15550100"});
    const auto him = messages.addHandle("+15550100");
    messages.addChatHandle(chat, him);
    std::vector<std::string> guids;
    messages.execute("begin");
    // A backlog of the last days, for the full pass to drain while the writer adds to the hour.
    for (int i = 0; i < 400; ++i) {
        guids.push_back("DAYS-" + std::to_string(i));
        addMessage(chat, guids.back(), "older message " + std::to_string(i), him, std::chrono::minutes(4000 - 9 * i),
                   i % 5 == 0);
    }
    messages.execute("commit");
    // A service slow enough that each pass is still under way at a kill.
    startService(Json{{"answers", Json::array({Json{{"method", "POST"}, {"path", "/v1/ingest"}, {"delayMs", 20}}})}});

    // The Messages app of another process: five new messages a second.
    std::atomic<bool> writing = true;
    std::vector<std::string> written;
    std::thread writer([&] {
        for (int i = 0; writing; ++i) {
            written.push_back("BUSY-" + std::to_string(i));
            addMessage(chat, written.back(), "busy message " + std::to_string(i), him, 0s);
            std::this_thread::sleep_for(200ms);
        }
    });

    auto companion = startCompanion();
    // The ingest each killed program may have had on its way: the service took it, the program
    // never heard so, and its next run hands it over again.
    std::set<std::string> onTheirWay;
    for (int kill = 0; kill < 3; ++kill) {
        const std::size_t before = record.requests("POST", "/v1/ingest").size();
        const bool going = record.waitUntil(
            [&](const ServiceRecord& seen) { return seen.requests("POST", "/v1/ingest").size() >= before + 40; });
        companion->signal(SIGKILL);
        EXPECT_EQ(companion->exitStatus(), -1);
        if (!going) break;
        const std::vector<Json> ingests = record.requests("POST", "/v1/ingest");
        onTheirWay.insert(ingests.back()["body"]["externalMessageId"].get<std::string>());
        companion = startCompanion();
    }
    std::this_thread::sleep_for(3s);
    writing = false;
    writer.join();
    ASSERT_EQ(onTheirWay.size(), 3u) << companion->output();
    guids.insert(guids.end(), written.begin(), written.end());
    EXPECT_TRUE(record.waitUntil([&](const ServiceRecord& seen) { return allIngested(seen, guids); }, 120s))
        << companion->output();
    EXPECT_EQ(databaseCopies(home.path()), 1u) << "the running program's own, none of the killed ones'";
    companion->signal(SIGTERM);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
    EXPECT_EQ(databaseCopies(home.path()), 0u);

    for (const auto& [guid, times] : ingestCounts(record.requests())) {
        if (onTheirWay.contains(guid)) {
            EXPECT_LE(times, 2) << guid;
        } else {
            EXPECT_EQ(times, 1) << guid;
        }
    }
}

TEST_F(CompanionEndToEnd, KilledWithAJobUnderWayAndTwoClaimedBehindItEachIsReportedOnceAndNoneRunsAgain) {
    const auto job = [](const std::string& id, const Json& attachments) {
        return Json{{"id", id},
                    {"channelKind", "imessage"},
                    {"threadId", "thread-1"},
                    {"conversationRef", "+15550100"},
                    {"body", "Reply " + id},
                    {"waitingSeconds", 1},
                    {"attempts", 0},
                    {"attachments", attachments}};
    };
    const std::string file = "/v1/relay/jobs/job-1/attachments/file-1";
    startService(Json{
        {"relayJobs", Json::array({job("job-1", Json::array({Json{{"id", "file-1"},
                                                                  {"filename", "plan.txt"},
                                                                  {"mimeType", "text/plain"},
                                                                  {"sizeBytes", 9},
                                                                  {"data", "the plan!"}}})),
                                   job("job-2", Json::array()), job("job-3", Json::array())})},
        // The first job's file is on its way when the program is killed.
        {"answers", Json::array({Json{{"method", "GET"}, {"path", file}, {"delayMs", 10000}}})}});

    auto companion = startCompanion();
    ASSERT_TRUE(record.waitUntil([&](const ServiceRecord& seen) { return !seen.requests("GET", file).empty(); }))
        << companion->output();
    companion->signal(SIGKILL);
    EXPECT_EQ(companion->exitStatus(), -1);
    const std::vector<Json> claims = record.requests("POST", "/v1/relay/jobs/claim");
    ASSERT_FALSE(claims.empty());
    EXPECT_EQ(claims.back()["answer"]["jobs"].size(), 3u);

    companion = startCompanion();
    const auto allReported = [](const ServiceRecord& seen) {
        return !seen.requests("POST", "/v1/relay/jobs/job-1/result").empty() &&
               !seen.requests("POST", "/v1/relay/jobs/job-2/result").empty() &&
               !seen.requests("POST", "/v1/relay/jobs/job-3/result").empty();
    };
    EXPECT_TRUE(record.waitUntil(allReported)) << companion->output();
    // A few relay runs more, in which nothing may be reported again.
    std::this_thread::sleep_for(7s);
    companion->signal(SIGTERM);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();

    const Json nothingWent{{"ok", false},
                           {"failureReason", "Tarvo stopped on this Mac before it began sending this, so nothing went "
                                             "out. Send it again if it should go."}};
    for (const char* id : {"job-1", "job-2", "job-3"}) {
        const std::vector<Json> reports = record.requests("POST", std::string("/v1/relay/jobs/") + id + "/result");
        ASSERT_EQ(reports.size(), 1u) << id;
        EXPECT_EQ(reports[0]["body"], nothingWent) << id;
    }
    EXPECT_EQ(record.requests("GET", file).size(), 1u) << "the first job was begun again";
}

namespace {

// The value of the `status` line that begins with `name` and ": ".
std::string statusItem(const std::string& status, const std::string& name) {
    std::istringstream lines(status);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(name + ": ")) return line.substr(name.size() + 2);
    }
    return "(no " + name + " line in " + status + ")";
}

} // namespace

TEST_F(CompanionEndToEnd, AfterTheServiceEndsTheSessionPairSignsInAgainAndTheCaptureResumes) {
    const auto chat = messages.addChat({.chatIdentifier = "+15550100"});
    const auto him = messages.addHandle("+15550100");
    messages.addChatHandle(chat, him);
    addMessage(chat, "WAITING-1", "Are you there?", him, 60s);
    startService(Json{{"refusedTokens", Json::array({accessToken, refreshToken})}});
    auto companion = startCompanion();
    ASSERT_TRUE(companion->waitFor("tarvo: this Mac's session is GONE (")) << companion->output();

    auto asked = startCompanion({"status"});
    ASSERT_EQ(asked->exitStatus(), 0) << asked->output();
    const std::string url = "http://127.0.0.1:" + service->output().substr(0, service->output().find('\n'));
    EXPECT_EQ(statusItem(asked->output(), "signed in"),
              "no, service " + url + " — the service ended this computer's session — sign in again with "
                                     "`tarvo-companion pair`");
    EXPECT_EQ(Json::parse(fileText(secretsFile())), (Json{{"accessToken", accessToken}, {"refreshToken", refreshToken}}))
        << "an ended session keeps its pair";

    auto pair = startCompanion({"pair"});
    ASSERT_EQ(pair->exitStatus(), 0) << pair->output();
    const std::string approval =
        "approve this computer at " + url + "/pair?code=STND-1234 — the page shows the code STND-1234\n";
    EXPECT_EQ(pair->output(), approval);
    ASSERT_TRUE(companion->waitFor("tarvo: signed in — this Mac is paired as stand-in-device")) << companion->output();
    ASSERT_TRUE(record.waitUntil([](const ServiceRecord& seen) { return allIngested(seen, {"WAITING-1"}); }))
        << companion->output();

    const Json stored = Json::parse(fileText(secretsFile()));
    EXPECT_NE(stored["accessToken"], accessToken);
    EXPECT_TRUE(stored["refreshToken"].get<std::string>().starts_with("stand-in-refresh-")) << stored.dump();
    EXPECT_EQ(Json::parse(fileText(settingsFile()))["TarvoDeviceId"], "stand-in-device");
    for (const Json& ingest : record.requests("POST", "/v1/ingest")) {
        EXPECT_EQ(ingest["headers"]["authorization"], "Bearer " + stored["accessToken"].get<std::string>());
    }

    ASSERT_TRUE(record.waitUntil([](const ServiceRecord& seen) {
        return !seen.requests("POST", "/v1/relay/heartbeat").empty() &&
               seen.requests("POST", "/v1/relay/heartbeat").back()["status"] == 200;
    })) << companion->output();
    asked = startCompanion({"status"});
    ASSERT_EQ(asked->exitStatus(), 0) << asked->output();
    const std::string status = asked->output();
    EXPECT_EQ(statusItem(status, "signed in"), "yes, device stand-in-device, service " + url);
    EXPECT_EQ(statusItem(status, "messages"), "readable at " + messages.path().string());
    EXPECT_TRUE(tarvo::TarvoDate::parse(statusItem(status, "capture cursor"))) << status;
    EXPECT_TRUE(tarvo::TarvoDate::parse(statusItem(status, "last heartbeat"))) << status;
    EXPECT_TRUE(tarvo::TarvoDate::parse(statusItem(status, "last capture"))) << status;
    EXPECT_EQ(statusItem(status, "channels advertised"), "imessage, sms");
    EXPECT_EQ(statusItem(status, "reports waiting in the outbox"), "0");
    EXPECT_TRUE(statusItem(status, "simulated here").starts_with("WhatsApp Web, ")) << status;

    companion->signal(SIGTERM);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
}

TEST_F(CompanionEndToEnd, AServiceUnreachableAtTheStartIsSignedInToOnceItAnswersWithoutARestart) {
    int port = 0;
    {
        const tarvo::testing::RefusingPort refusing;
        port = refusing.port();
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(port);
    writeFile(settingsFile(), Json{{"TarvoBaseURL", url}, {"TarvoApiURL", url}}.dump());
    auto companion = startCompanion();
    ASSERT_TRUE(companion->waitFor("tarvo: could not reach Tarvo to sign in — trying again at ")) << companion->output();

    std::this_thread::sleep_for(20s);
    startService(Json::object(), port);

    ASSERT_TRUE(companion->waitFor("tarvo: signed in — this Mac is paired as stand-in-device")) << companion->output();
    ASSERT_TRUE(record.waitUntil([](const ServiceRecord& seen) {
        return !seen.requests("POST", "/v1/relay/heartbeat").empty();
    })) << companion->output();
    EXPECT_TRUE(Json::parse(fileText(secretsFile()))["refreshToken"].get<std::string>().starts_with("stand-in-refresh-"));
    companion->signal(SIGTERM);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
}

// The pair is renewed when the service refuses the access token, not ahead of its expiry: the
// stored access token stands for one that has lapsed.
TEST_F(CompanionEndToEnd, KilledRightAfterARenewalTheNextStartSignsInWithTheNewPair) {
    startService(Json{{"refusedTokens", Json::array({accessToken})}});
    auto companion = startCompanion();
    Json renewed;
    // The renewal's caller has resumed: a later request carries the new token.
    ASSERT_TRUE(record.waitUntil([&](const ServiceRecord& seen) {
        const std::vector<Json> requests = seen.requests();
        for (std::size_t i = 0; i < requests.size(); ++i) {
            if (requests[i]["path"] != "/v1/auth/refresh" || requests[i]["status"] != 200) continue;
            renewed = requests[i]["answer"];
            const std::string bearer = "Bearer " + renewed["accessToken"].get<std::string>();
            return std::any_of(requests.begin() + static_cast<std::ptrdiff_t>(i) + 1, requests.end(),
                               [&](const Json& later) { return later["headers"].value("authorization", "") == bearer; });
        }
        return false;
    })) << companion->output();
    companion->signal(SIGKILL);
    EXPECT_EQ(companion->exitStatus(), -1);
    EXPECT_EQ(Json::parse(fileText(secretsFile())),
              (Json{{"accessToken", renewed["accessToken"]}, {"refreshToken", renewed["refreshToken"]}}));

    const std::size_t firstRun = record.requests().size();
    companion = startCompanion();
    ASSERT_TRUE(record.waitUntil([&](const ServiceRecord& seen) {
        const std::vector<Json> requests = seen.requests();
        return std::any_of(requests.begin() + static_cast<std::ptrdiff_t>(firstRun), requests.end(), [](const Json& r) {
            return r["path"] == "/v1/relay/heartbeat" && r["status"] == 200;
        });
    })) << companion->output();
    companion->signal(SIGTERM);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();

    const std::vector<Json> requests = record.requests();
    for (std::size_t i = firstRun; i < requests.size(); ++i) {
        EXPECT_LT(requests[i]["status"].get<int>(), 400) << requests[i].dump();
        EXPECT_EQ(requests[i]["headers"].value("authorization", ""),
                  "Bearer " + renewed["accessToken"].get<std::string>())
            << requests[i].dump();
    }
}
