#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CompanionTest.h"
#include "Platform/CurlHttpTransport.h"
#include "Platform/LinuxProcessRunner.h"
#include "Support/CapturedPlainLog.h"
#include "Support/CapturedTarvoLog.h"
#include "Support/FakeService.h"
#include "Support/StandInProgram.h"
#include "TarvoBase/Base64.h"
#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/FileSettingsStore.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Messages/MessagesSender/MessagesSender.h"
#include "TarvoCore/Relay/OutgoingFiles.h"
#include "TarvoCore/Relay/RelayFileFailure.h"
#include "TarvoCore/Relay/RelayReportOutbox.h"
#include "TarvoCore/Relay/RelaySendConfirmation.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

using namespace std::chrono_literals;
using tarvo::BrainClient;
using tarvo::ClientIdentity;
using tarvo::Companion;
using tarvo::CompanionState;
using tarvo::CurlHttpTransport;
using tarvo::FileSettingsStore;
using tarvo::Json;
using tarvo::LinuxProcessRunner;
using tarvo::MessagesSender;
using tarvo::ProcessRunner;
using tarvo::RelayFileFailure;
using tarvo::RelayReportOutbox;
using tarvo::RelaySendConfirmation;
using tarvo::SettingsStore;
using tarvo::SimulatedWhatsAppSession;
using tarvo::spawn;
using tarvo::Task;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::CapturedTarvoLog;
using tarvo::testing::CompanionTest;
using tarvo::testing::FakeService;
using tarvo::testing::MessagesDatabaseFixture;
using tarvo::testing::writeStandIn;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

const std::string ref = "+15550001";
const std::string claimPath = "/v1/relay/jobs/claim";
const std::string somethingWentWrong =
    "Something went wrong on this Mac. Check Messages to see whether it went before sending it again.";

// Signed in to the loopback service, Messages readable and the given channels on: what sign-in
// and the tick leave behind when all is well.
class RelayingCompanion final : public Companion {
public:
    RelayingCompanion(Services services, std::shared_ptr<BrainClient> client, std::vector<std::string> channels)
        : Companion(std::move(services)), client_(std::move(client)) {
        CompanionState& state = mutableState();
        state.signIn = CompanionState::SignIn::signedIn("kim@example.com");
        state.canReadMessages = true;
        state.enabledChannels = std::move(channels);
    }

    void messagesUnreadable() { mutableState().canReadMessages = false; }

    std::shared_ptr<BrainClient> client() override { return client_; }
    using Companion::relaySends;

private:
    std::shared_ptr<BrainClient> client_;
};

// Starts the test's stand-in wherever the companion starts the Messages scripting program.
class StandInRunner final : public ProcessRunner {
public:
    explicit StandInRunner(std::string standIn) : standIn_(std::move(standIn)) {}

    Task<Result> run(std::string executable, std::vector<std::string> arguments,
                     std::chrono::nanoseconds timeout) override {
        if (executable == MessagesSender::osascriptPath) executable = standIn_;
        return runner_.run(std::move(executable), std::move(arguments), timeout);
    }
    void launchDetached(std::string executable, std::vector<std::string> arguments) override {
        runner_.launchDetached(std::move(executable), std::move(arguments));
    }
    void launchQuietly(std::string executable, std::vector<std::string> arguments, Ended ended) override {
        runner_.launchQuietly(std::move(executable), std::move(arguments), std::move(ended));
    }

private:
    std::string standIn_;
    LinuxProcessRunner runner_;
};

Json job(const std::string& id, const std::string& kind, const std::string& body, std::vector<Json> files = {},
         const std::string& conversationRef = ref) {
    Json job{{"id", id},
             {"channelKind", kind},
             {"threadId", "thread-" + id},
             {"conversationRef", conversationRef},
             {"conversationName", "Kim"},
             {"body", body},
             {"waitingSeconds", 4},
             {"attempts", 1}};
    if (!files.empty()) job["attachments"] = std::move(files);
    return job;
}

Json file(const std::string& id, const std::string& mimeType, std::int64_t sizeBytes = 5) {
    return {{"id", id}, {"filename", "not-used.bin"}, {"mimeType", mimeType}, {"sizeBytes", sizeBytes}};
}

Json sent() { return {{"ok", true}}; }
Json failed(const std::string& reason) { return {{"ok", false}, {"failureReason", reason}}; }

std::string interrupted(const std::string& app) {
    return "Tarvo stopped on this Mac while it was sending this. Check " + app +
           " to see whether it went before sending it again.";
}

class CompanionRelayTest : public CompanionTest {
protected:
    CompanionRelayTest() {
        service.answerJson("POST", claimPath, 200, {{"jobs", Json::array()}});
        readableDatabase();
    }

    std::shared_ptr<RelayingCompanion> relaying(std::vector<std::string> channels = {"imessage", "sms", "whatsapp"},
                                                std::optional<fs::path> chatDb = std::nullopt,
                                                std::shared_ptr<SettingsStore> store = nullptr) {
        const ClientIdentity identity{"linux", 1, "1.0.0", "Test Mac", std::nullopt};
        auto client = std::make_shared<BrainClient>(service.baseURL(), identity,
                                                    BrainClient::Credentials{"access-1", "refresh-1", "device-9"},
                                                    std::make_shared<CurlHttpTransport>());
        return std::make_shared<RelayingCompanion>(
            Companion::Services{
                .defaults = store ? store : defaults,
                .chatDatabasePath = chatDb.value_or(messages->path()).string(),
                .whatsapp = whatsapp,
                .operatorPermissions = permissions,
                .operatorLink = link,
                .processRunner = std::make_shared<StandInRunner>(standIn),
                .outgoingFolder = outgoingFolder,
            },
            std::move(client), std::move(channels));
    }

    void handOut(std::vector<Json> jobs) { service.queue("POST", claimPath, 200, Json{{"jobs", jobs}}.dump()); }

    void serveFile(const std::string& jobId, const std::string& attachmentId, const std::string& filename,
                   const std::string& data) {
        service.answerJson("GET", "/v1/relay/jobs/" + jobId + "/attachments/" + attachmentId, 200,
                           {{"id", attachmentId},
                            {"filename", filename},
                            {"mimeType", "application/octet-stream"},
                            {"sizeBytes", data.size()},
                            {"dataBase64", tarvo::Base64::encode(data)}});
    }

    static std::string resultPath(const std::string& jobId) { return "/v1/relay/jobs/" + jobId + "/result"; }

    // Starts a run and lets the clock go on until it has ended.
    void relayOnce(const std::shared_ptr<RelayingCompanion>& companion, std::chrono::seconds span = 120s) {
        spawn(companion->runRelayJobs());
        runFor(span);
    }

    // Moves the clock on a second at a time until `done` holds.
    void runUntil(const std::function<bool()>& done) {
        settle();
        for (int second = 0; second < 300 && !done(); ++second) runFor(1s);
        ASSERT_TRUE(done());
    }

    std::vector<Json> reports(const std::string& jobId) const {
        std::vector<Json> bodies;
        for (const auto& request : service.requests("POST", resultPath(jobId))) {
            bodies.push_back(Json::parse(request.body));
        }
        return bodies;
    }

    // "METHOD path" of every request, in order.
    Lines requestLines() const {
        Lines lines;
        for (const auto& request : service.requests()) lines.push_back(request.method + " " + request.path);
        return lines;
    }

    // The scripts the stand-in was given, in order.
    Lines scriptsRun() const {
        std::ifstream in(scripts, std::ios::binary);
        const std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        Lines run;
        for (std::size_t start = 0; start < all.size();) {
            const std::size_t end = all.find('\0', start);
            run.push_back(all.substr(start, end - start));
            start = end + 1;
        }
        return run;
    }

    // One row per part that Messages wrote for the conversation, dated now.
    void messagesWrote(const std::string& conversation, const std::vector<std::pair<std::int64_t, bool>>& rows) {
        auto [known, added] = chats.try_emplace(conversation, 0);
        if (added) known->second = messages->addChat({.chatIdentifier = conversation});
        const std::int64_t chat = known->second;
        for (const auto& [error, isSent] : rows) {
            messages->addMessage({.guid = "row-" + std::to_string(++rowCount),
                                  .chat = chat,
                                  .date = MessagesDatabaseFixture::nanoseconds(clock->date()),
                                  .isFromMe = true,
                                  .error = error,
                                  .isSent = isSent});
        }
    }

    static Lines relayLines(const CapturedPlainLog& log) {
        Lines kept;
        for (const auto& line : log.lines()) {
            if (line.starts_with("tarvo: relay:") || line.starts_with("tarvo: claiming")) kept.push_back(line);
        }
        return kept;
    }

    fs::path stagedPath(const std::string& jobId, int fileIndex, const std::string& filename) const {
        return outgoingFolder / std::string(tarvo::bundleIdentifier) / "outgoing" /
               tarvo::OutgoingFiles::folderName(jobId, fileIndex) / filename;
    }

    static std::string contents(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    FakeService service;
    fs::path outgoingFolder = folder / "runtime";
    fs::path scripts = folder / "scripts";
    std::string standIn = writeStandIn(folder / "osascript", "printf '%s\\0' \"$2\" >> '" + scripts.string() + "'");
    int rowCount = 0;
    std::map<std::string, std::int64_t> chats;
};

} // namespace

TEST_F(CompanionRelayTest, MessagesJobsRunTheirScriptsOneJobAfterTheOtherAndAreRecordedAndReported) {
    const std::string other = "+15550002";
    handOut({job("j1", "imessage", "On my way", {}, other),
             job("j2", "sms", "Here they are", {file("a:1", "image/jpeg"), file("a_1", "application/pdf")})});
    // Two ids that clean to one name, and two files of one name.
    serveFile("j2", "a%3A1", "plan.pdf", "JPEG!");
    serveFile("j2", "a_1", "notes/../plan.pdf", "%PDF-");
    service.answer("POST", resultPath("j1"), 200, "{}");
    service.answer("POST", resultPath("j2"), 200, "{}");
    auto companion = relaying();
    CapturedPlainLog log;

    spawn(companion->runRelayJobs());
    runUntil([&] { return scriptsRun().size() == 1; });
    messagesWrote(other, {{0, true}});
    runUntil([&] { return scriptsRun().size() == 4; });
    messagesWrote(ref, {{0, true}, {0, true}, {0, true}});
    runFor(60s);

    const std::string photo = stagedPath("j2", 1, "plan.pdf").string();
    const std::string plan = stagedPath("j2", 2, "plan.pdf").string();
    EXPECT_EQ(scriptsRun(), (Lines{MessagesSender::script(other, "On my way", false, std::nullopt),
                                   MessagesSender::fileScript(ref, photo, true, std::nullopt),
                                   MessagesSender::fileScript(ref, plan, true, std::nullopt),
                                   MessagesSender::script(ref, "Here they are", true, std::nullopt)}));
    EXPECT_EQ(requestLines(), (Lines{"POST " + claimPath, "POST " + resultPath("j1"),
                                     "GET /v1/relay/jobs/j2/attachments/a%3A1", "GET /v1/relay/jobs/j2/attachments/a_1",
                                     "POST " + resultPath("j2")}));
    EXPECT_EQ(reports("j1"), (std::vector<Json>{sent()}));
    EXPECT_EQ(reports("j2"), (std::vector<Json>{sent()}));
    EXPECT_EQ(contents(photo), "JPEG!");
    EXPECT_EQ(contents(plan), "%PDF-");
    EXPECT_EQ(relayLines(log), (Lines{"tarvo: relay: sending 2 file(s) with job j2"}));

    auto& ledger = companion->relaySends();
    EXPECT_EQ(ledger.pending(), 4u);
    const auto now = clock->date();
    EXPECT_TRUE(ledger.claim(other, "On my way", now, "m1"));
    EXPECT_TRUE(ledger.claim(ref, "", now, "m2"));
    EXPECT_TRUE(ledger.claim(ref, "", now, "m3"));
    EXPECT_TRUE(ledger.claim(ref, "Here they are", now, "m4"));
    EXPECT_EQ(defaults->object(RelayReportOutbox::key), std::nullopt);
}

TEST_F(CompanionRelayTest, ABlankMessagesBodyBesideAFileIsNotRecordedAsSent) {
    handOut({job("j1", "imessage", " \n\t", {file("a1", "image/png")})});
    serveFile("j1", "a1", "chart.png", "PNG");
    service.answer("POST", resultPath("j1"), 200, "{}");
    auto companion = relaying();

    spawn(companion->runRelayJobs());
    runUntil([&] { return scriptsRun().size() == 1; });
    messagesWrote(ref, {{0, true}});
    runFor(60s);

    EXPECT_EQ(reports("j1"), (std::vector<Json>{sent()}));
    auto& ledger = companion->relaySends();
    EXPECT_EQ(ledger.pending(), 1u);
    EXPECT_TRUE(ledger.claim(ref, "", clock->date(), "the-file"));
    EXPECT_FALSE(ledger.claim(ref, "", clock->date(), "a-file-kim-sent-herself"));
}

TEST_F(CompanionRelayTest, TheFilesThatWentBeforeAFailedOneAreRecordedAsSent) {
    // The second script fails, as Messages refusing the second file would.
    const fs::path count = folder / "count";
    standIn = writeStandIn(folder / "osascript",
                           "n=$(cat '" + count.string() + "' 2>/dev/null || echo 0); n=$((n+1)); echo $n > '" +
                               count.string() + "'; [ $n -ne 2 ] || { echo 'refused (-1700)' >&2; exit 1; }");
    handOut({job("j1", "imessage", "All three", {file("a1", "image/png"), file("a2", "image/png"),
                                                 file("a3", "image/png")})});
    for (const char* id : {"a1", "a2", "a3"}) serveFile("j1", id, "chart.png", "PNG");
    service.answer("POST", resultPath("j1"), 200, "{}");
    auto companion = relaying();

    relayOnce(companion);

    ASSERT_EQ(reports("j1").size(), 1u);
    EXPECT_EQ(reports("j1")[0]["ok"], false);
    auto& ledger = companion->relaySends();
    EXPECT_EQ(ledger.pending(), 1u);
    EXPECT_TRUE(ledger.claim(ref, "", clock->date(), "the-first-file"));
    EXPECT_FALSE(ledger.claim(ref, "All three", clock->date(), "words-never-sent"));
}

TEST_F(CompanionRelayTest, ALinkedWhatsAppRelaysWhereMessagesCannotBeRead) {
    handOut({job("w1", "whatsapp", "Hello")});
    service.answer("POST", resultPath("w1"), 200, "{}");
    whatsapp->answerSends({true, std::nullopt});
    auto companion = relaying({"imessage", "sms", "whatsapp"});
    companion->messagesUnreadable();

    relayOnce(companion);

    EXPECT_EQ(companion->state().advertisableChannels(), Lines{"whatsapp"});
    EXPECT_EQ(whatsapp->sends().size(), 1u);
    EXPECT_EQ(reports("w1"), (std::vector<Json>{sent()}));
}

TEST_F(CompanionRelayTest, WhatsAppJobsGoThroughTheSessionWithTheirFilesInMemory) {
    handOut({job("w1", "whatsapp", "  \n", {file("a1", "image/jpeg"), file("a2", "video/mp4")}),
             job("w2", "whatsapp", "Too big",
                 {file("b1", "image/png"), file("b2", "video/mp4; codecs=avc1", 20971520)}),
             job("w3", "WhatsApp", "Hello")});
    serveFile("w1", "a1", "beach.jpg", "JPEG");
    serveFile("w1", "a2", "waves.mp4", "MP4");
    for (const std::string id : {"w1", "w2", "w3"}) service.answer("POST", resultPath(id), 200, "{}");
    whatsapp->answerSends({true, std::nullopt});
    auto companion = relaying();
    CapturedPlainLog log;

    spawn(companion->runRelayJobs());
    runUntil([&] { return scriptsRun().size() == 1; });
    messagesWrote(ref, {{0, true}});
    runFor(60s);

    using Send = SimulatedWhatsAppSession::Send;
    EXPECT_EQ(whatsapp->sends(), (std::vector<Send>{{ref,
                                                      "  \n",
                                                      {{"a1", "beach.jpg", "image/jpeg", "JPEG"},
                                                       {"a2", "waves.mp4", "video/mp4", "MP4"}},
                                                      "Kim"}}));
    EXPECT_EQ(reports("w1"), (std::vector<Json>{sent()}));
    const std::string tooBig = *tarvo::WhatsAppWeb::outgoingMediaRefusal(20971520, "video/mp4");
    EXPECT_EQ(reports("w2"), (std::vector<Json>{failed(tooBig)}));
    EXPECT_EQ(service.requests("GET", "/v1/relay/jobs/w2/attachments/b1").size(), 0u);
    // A kind that differs in case is a Messages job.
    EXPECT_EQ(scriptsRun(), (Lines{MessagesSender::script(ref, "Hello", false, std::nullopt)}));
    EXPECT_EQ(reports("w3"), (std::vector<Json>{sent()}));
    EXPECT_EQ(relayLines(log), (Lines{"tarvo: relay: sending 2 file(s) to whatsapp with job w1"}));

    auto& ledger = companion->relaySends();
    EXPECT_EQ(ledger.pending(), 3u);
    EXPECT_TRUE(ledger.claim(ref, "", clock->date(), "m1"));
    EXPECT_TRUE(ledger.claim(ref, "", clock->date(), "m2"));
    EXPECT_TRUE(ledger.claim(ref, "Hello", clock->date(), "m3"));

    handOut({job("w4", "whatsapp", "Again")});
    service.answer("POST", resultPath("w4"), 200, "{}");
    whatsapp->answerSends({false, std::nullopt});
    relayOnce(companion);
    EXPECT_EQ(reports("w4"), (std::vector<Json>{failed("WhatsApp Web did not send it.")}));
    EXPECT_EQ(companion->relaySends().pending(), 0u);
}

TEST_F(CompanionRelayTest, AFileThatCannotBeFetchedOrStagedFailsTheJobBeforeAnythingIsSent) {
    struct Case {
        std::string kind;
        int files;
        std::string outgoing;
        std::string reason;
    };
    const std::string cannotReach = "Tarvo did not accept the request.";
    const Case cases[] = {
        {"imessage", 3, "runtime", RelayFileFailure(3, 3, cannotReach).description()},
        {"whatsapp", 3, "runtime", RelayFileFailure(3, 3, cannotReach).description()},
        {"sms", 1, "runtime", RelayFileFailure(1, 1, cannotReach).description()},
        {"imessage", 1, "", RelayFileFailure(1, 1, "Something went wrong on this Mac.").description()},
    };
    whatsapp->answerSends({true, std::nullopt});
    int n = 0;
    for (const Case& c : cases) {
        const std::string id = "f" + std::to_string(++n);
        SCOPED_TRACE(id);
        std::vector<Json> files;
        for (int i = 1; i <= c.files; ++i) files.push_back(file(id + "-" + std::to_string(i), "image/png"));
        // The last file of a job with several is missing at the service; the one of a job
        // with a single file arrives but cannot be staged.
        for (int i = 1; i < c.files; ++i) serveFile(id, id + "-" + std::to_string(i), "f.png", "PNG");
        if (c.files == 1 && c.outgoing.empty()) serveFile(id, id + "-1", "f.png", "PNG");
        handOut({job(id, c.kind, "Look", files)});
        service.answer("POST", resultPath(id), 200, "{}");
        outgoingFolder = c.outgoing.empty() ? fs::path() : folder / c.outgoing;
        auto companion = relaying();
        CapturedTarvoLog named;

        relayOnce(companion);

        EXPECT_EQ(reports(id), (std::vector<Json>{failed(c.reason)}));
        EXPECT_EQ(service.requests("GET", "/v1/relay/jobs/" + id + "/attachments/" + id + "-" + std::to_string(c.files))
                      .size(),
                  1u);
        ASSERT_EQ(named.entries().size(), 1u);
        EXPECT_EQ(named.entries()[0].text(), "relay job " + id + " failed — other");
        EXPECT_EQ(companion->relaySends().pending(), 0u);
    }
    EXPECT_EQ(scriptsRun(), Lines{});
    EXPECT_EQ(whatsapp->sends().size(), 0u);
}

TEST_F(CompanionRelayTest, WhatMessagesWroteAfterTheHandOverDecidesTheReportAndTheLogLine) {
    struct Case {
        std::string name;
        bool withFile;
        std::vector<std::pair<std::int64_t, bool>> rows;
        Json report;
        Lines log;
    };
    const Case cases[] = {
        {"delivered", false, {{0, true}}, sent(), {}},
        {"refused",
         false,
         {{22, false}, {4, false}},
         failed(RelaySendConfirmation::refusalSentence({4, 22}, 2, 2)),
         {"tarvo: relay: job refused was REFUSED by Messages — 2 of 2 part(s), error 4, 22"}},
        {"partial",
         true,
         {{0, true}},
         failed("Messages sent 1 of 2 parts of this message and never wrote the rest. Open the conversation in "
                "Messages to see what arrived, and send the missing part again."),
         {"tarvo: relay: sending 1 file(s) with job partial",
          "tarvo: relay: job partial DID NOT FULLY SEND — Messages wrote 1 of 2 expected row(s) within 44s"}},
        {"unconfirmed",
         false,
         {{0, false}},
         sent(),
         {"tarvo: relay: job unconfirmed reported sent WITHOUT CONFIRMATION — Messages had written 1 of 1 row(s) and "
          "marked none of them sent or failed within 44s"}},
        {"unwritten",
         false,
         {},
         failed("Messages did not record this message, so it was not sent. Open the conversation in Messages and try "
                "again."),
         {"tarvo: relay: job unwritten DID NOT SEND — Messages wrote none of 1 expected row(s); the conversation could "
          "not be addressed"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string conversation = "+1555000200" + std::to_string(++n);
        std::vector<Json> files;
        if (c.withFile) {
            files.push_back(file("p1", "image/png"));
            serveFile(c.name, "p1", "p.png", "PNG");
        }
        handOut({job(c.name, "imessage", "Hi", files, conversation)});
        service.answer("POST", resultPath(c.name), 200, "{}");
        auto companion = relaying();
        const std::size_t before = scriptsRun().size();
        CapturedPlainLog log;

        spawn(companion->runRelayJobs());
        runUntil([&] { return scriptsRun().size() == before + (c.withFile ? 2 : 1); });
        messagesWrote(conversation, c.rows);
        runFor(60s);

        EXPECT_EQ(reports(c.name), (std::vector<Json>{c.report}));
        EXPECT_EQ(relayLines(log), c.log);
    }

    handOut({job("unobservable", "imessage", "Hi")});
    service.answer("POST", resultPath("unobservable"), 200, "{}");
    const fs::path missing = folder / "missing.db";
    auto companion = relaying({"imessage"}, missing);
    CapturedPlainLog log;
    relayOnce(companion);
    EXPECT_EQ(reports("unobservable"), (std::vector<Json>{sent()}));
    EXPECT_EQ(relayLines(log),
              (Lines{"tarvo: relay: job unobservable reported sent, delivery NOT observable here — " +
                     tarvo::ChatDatabase::Failure::notFound(missing.string()).description()}));
}

TEST_F(CompanionRelayTest, AnAbandonedReportIsKeptReportedFirstNextTimeAndAnsweredWhenTheJobComesBack) {
    handOut({job("j1", "imessage", "See you at 6")});
    for (int i = 0; i < 5; ++i) service.queue("POST", resultPath("j1"), 500, R"({"code":"down","message":"busy"})");
    service.answer("POST", resultPath("j1"), 200, "{}");
    auto companion = relaying({"imessage"}, folder / "missing.db");
    CapturedPlainLog log;

    relayOnce(companion);
    const RelayReportOutbox outbox(defaults);
    ASSERT_EQ(outbox.entries().size(), 1u);
    EXPECT_EQ(outbox.entries()[0].report, tarvo::RelayJobReport::sent());
    EXPECT_TRUE(outbox.entries()[0].retrying);

    handOut({job("j1", "imessage", "See you at 6")});
    relayOnce(companion);
    relayOnce(companion);

    EXPECT_EQ(scriptsRun().size(), 1u);
    EXPECT_EQ(reports("j1"), std::vector<Json>(6, sent()));
    EXPECT_EQ(requestLines(), (Lines{"POST " + claimPath, "POST " + resultPath("j1"), "POST " + resultPath("j1"),
                                     "POST " + resultPath("j1"), "POST " + resultPath("j1"),  //
                                     "POST " + resultPath("j1"), "POST " + claimPath, "POST " + resultPath("j1"),
                                     "POST " + claimPath}));
    ASSERT_EQ(outbox.entries().size(), 1u);
    EXPECT_FALSE(outbox.entries()[0].retrying);
    const Lines lines = relayLines(log);
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "tarvo: relay: job j1 was handed out again — reporting its kept result (sent) instead of "
                         "sending it a second time"),
              1);
}

TEST_F(CompanionRelayTest, AKeptResultIsPostedAgainNextRunUnlessTheServiceRefusedItForGood) {
    struct Case {
        int status;
        std::string code;
        bool forGood;
    };
    const Case cases[] = {
        {400, "bad_request", true}, {403, "forbidden", true},    {404, "not_found", true},
        {409, "conflict", true},    {422, "invalid", true},
        // A sign-in, a wait, a busy or broken service: it may take the report later.
        {401, "unauthorized", false}, {408, "timeout", false},    {429, "slow_down", false},
        {500, "internal", false},     {502, "bad_gateway", false}, {503, "unavailable", false},
    };
    // A refused token is renewed and the request sent once more, so a 401 answers both.
    const auto posts = [](const Case& c) -> std::size_t { return c.status == 401 ? 2 : 1; };
    const auto id = [](const Case& c) { return "j" + std::to_string(c.status); };
    service.answerJson("POST", "/v1/auth/refresh", 200, {{"accessToken", "access-2"}, {"refreshToken", "refresh-2"}});
    Json kept = Json::object();
    for (const Case& c : cases) {
        kept[id(c)] = {{"ok", false}, {"failureReason", "No."}, {"keptAt", "2024-01-01T00:00:00.000Z"},
                       {"retrying", true}};
        for (std::size_t post = 0; post < posts(c); ++post) {
            service.queue("POST", resultPath(id(c)), c.status, Json{{"code", c.code}, {"message", "No"}}.dump());
        }
        service.answer("POST", resultPath(id(c)), 200, "{}");
    }
    defaults->set(kept, RelayReportOutbox::key);
    auto companion = relaying();
    CapturedPlainLog log;
    const RelayReportOutbox outbox(defaults);

    relayOnce(companion);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        ASSERT_TRUE(outbox.find(id(c)));
        EXPECT_EQ(outbox.find(id(c))->retrying, !c.forGood);
    }
    relayOnce(companion);

    const Lines lines = relayLines(log);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        EXPECT_EQ(service.requests("POST", resultPath(id(c))).size(), posts(c) + (c.forGood ? 0u : 1u));
        ASSERT_TRUE(outbox.find(id(c)));
        EXPECT_FALSE(outbox.find(id(c))->retrying);
        const std::string line =
            c.forGood ? "tarvo: relay: job " + id(c) + " result (failed) refused by the brain — http " +
                            std::to_string(c.status) + " " + c.code +
                            ". Kept only to answer for the job if it is handed out again."
                      : "tarvo: relay: job " + id(c) + " result (failed) reported from the outbox";
        EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << ::testing::PrintToString(lines);
    }
    EXPECT_EQ(lines.size(), std::size(cases));
}

TEST_F(CompanionRelayTest, ACompanionLetGoDuringAJobStillReportsIt) {
    handOut({job("j1", "imessage", "Running late")});
    service.answer("POST", resultPath("j1"), 200, "{}");
    auto companion = relaying({"imessage"}, folder / "missing.db");
    const std::weak_ptr<RelayingCompanion> weak = companion;

    spawn(companion->runRelayJobs());
    runUntil([&] { return scriptsRun().size() == 1; });
    companion.reset();
    EXPECT_FALSE(weak.expired());
    runFor(60s);

    EXPECT_EQ(reports("j1"), (std::vector<Json>{sent()}));
    EXPECT_TRUE(weak.expired());
}

TEST_F(CompanionRelayTest, AProgramThatEndsDuringTheHandOverLeavesAReportAndNeverSendsTheJobAgain) {
    const fs::path settings = folder / "settings";
    const fs::path atHandOver = folder / "at-hand-over";
    fs::create_directories(atHandOver);
    // The stand-in keeps the settings file as the program would have left it, had it ended now.
    standIn = writeStandIn(folder / "osascript-copying",
                           "cp '" + (settings / "settings.json").string() + "' '" + atHandOver.string() +
                               "/settings.json'\nprintf '%s\\0' \"$2\" >> '" + scripts.string() + "'");
    handOut({job("j1", "imessage", "Running late")});
    service.answer("POST", resultPath("j1"), 200, "{}");
    const fs::path missing = folder / "missing.db";
    relayOnce(relaying({"imessage"}, missing, std::make_shared<FileSettingsStore>(settings)));

    handOut({job("j1", "imessage", "Running late")});
    auto restarted = relaying({"imessage"}, missing, std::make_shared<FileSettingsStore>(atHandOver));
    relayOnce(restarted);

    EXPECT_EQ(scriptsRun().size(), 1u);
    const Json unknown = failed(interrupted("Messages"));
    EXPECT_EQ(reports("j1"), (std::vector<Json>{sent(), unknown, unknown}));
    EXPECT_EQ(requestLines(), (Lines{"POST " + claimPath, "POST " + resultPath("j1"), "POST " + resultPath("j1"),
                                     "POST " + claimPath, "POST " + resultPath("j1")}));
}

TEST_F(CompanionRelayTest, JobsClaimedBehindTheOneBeingSentWhenTheProgramEndsAreReportedNotSent) {
    const fs::path settings = folder / "settings";
    const fs::path atHandOver = folder / "at-hand-over";
    fs::create_directories(atHandOver);
    // The settings file as the program left it when it ended at the first hand-over.
    standIn = writeStandIn(folder / "osascript-copying",
                           "[ -e '" + atHandOver.string() + "/settings.json' ] || cp '" +
                               (settings / "settings.json").string() + "' '" + atHandOver.string() +
                               "/settings.json'\nprintf '%s\\0' \"$2\" >> '" + scripts.string() + "'");
    handOut({job("j1", "imessage", "One"), job("j2", "imessage", "Two"), job("j3", "imessage", "Three")});
    for (const char* id : {"j1", "j2", "j3"}) service.answer("POST", resultPath(id), 200, "{}");
    const fs::path missing = folder / "missing.db";
    relayOnce(relaying({"imessage"}, missing, std::make_shared<FileSettingsStore>(settings)));
    ASSERT_EQ(scriptsRun().size(), 3u);

    relayOnce(relaying({"imessage"}, missing, std::make_shared<FileSettingsStore>(atHandOver)));

    const Json notSent = failed("Tarvo stopped on this Mac before it began sending this, so nothing went out. Send "
                                "it again if it should go.");
    EXPECT_EQ(reports("j1"), (std::vector<Json>{sent(), failed(interrupted("Messages"))}));
    EXPECT_EQ(reports("j2"), (std::vector<Json>{sent(), notSent}));
    EXPECT_EQ(reports("j3"), (std::vector<Json>{sent(), notSent}));
    EXPECT_EQ(scriptsRun().size(), 3u);
}

TEST_F(CompanionRelayTest, ARealSendOnThisComputerFailsWithTheSendersLaunchError) {
    handOut({job("j1", "imessage", "Hello")});
    service.answer("POST", resultPath("j1"), 200, "{}");
    standIn = MessagesSender::osascriptPath;
    ASSERT_FALSE(fs::exists(standIn));
    auto companion = relaying();
    CapturedTarvoLog named;

    relayOnce(companion);

    EXPECT_EQ(reports("j1"), (std::vector<Json>{failed(somethingWentWrong)}));
    ASSERT_FALSE(named.entries().empty());
    EXPECT_EQ(named.entries().back().text(), "relay job j1 failed — other");
    EXPECT_EQ(companion->relaySends().pending(), 0u);
    EXPECT_EQ(defaults->object(RelayReportOutbox::key), std::nullopt);
}

TEST_F(CompanionRelayTest, ARunEndsEarlyWithoutChannelsOrJobsAndNotesAFailedClaim) {
    const fs::path staging = outgoingFolder / std::string(tarvo::bundleIdentifier) / "outgoing";
    for (const std::string name : {"old-1", "old-2"}) {
        fs::create_directories(staging / name);
        fs::last_write_time(staging / name, std::chrono::file_clock::from_sys(clock->date() - 601s));
    }
    fs::permissions(outgoingFolder / std::string(tarvo::bundleIdentifier), fs::perms::owner_all);
    fs::permissions(staging, fs::perms::owner_all);
    CapturedPlainLog log;

    relayOnce(relaying({}));
    const auto unreadable = relaying({"imessage", "sms"});
    unreadable->messagesUnreadable();
    relayOnce(unreadable);
    EXPECT_EQ(requestLines(), Lines{});
    EXPECT_TRUE(fs::exists(staging / "old-1"));

    relayOnce(relaying());
    service.queue("POST", claimPath, 500, R"({"code":"down","message":"The relay is resting"})");
    relayOnce(relaying());

    EXPECT_EQ(requestLines(), (Lines{"POST " + claimPath, "POST " + claimPath}));
    EXPECT_FALSE(fs::exists(staging / "old-1"));
    ASSERT_EQ(relayLines(log).size(), 2u);
    EXPECT_EQ(relayLines(log)[0], "tarvo: relay: removed 2 staged outgoing file(s)");
    EXPECT_TRUE(relayLines(log)[1].starts_with("tarvo: claiming relay jobs failed: ")) << relayLines(log)[1];
}
