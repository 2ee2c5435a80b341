#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Platform/LinuxProcessRunner.h"
#include "Support/CapturedTarvoLog.h"
#include "Support/MessagesDatabaseFixture.h"
#include "Support/StandInProgram.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Messages/MessagesSender/MessagesSender.h"

using namespace std::chrono_literals;
using tarvo::ChatDatabase;
using tarvo::FakeClock;
using tarvo::LinuxProcessRunner;
using tarvo::MessagesSender;
using tarvo::ReplyService;
using tarvo::RunLoop;
using tarvo::Task;
using tarvo::testing::CapturedTarvoLog;
using tarvo::testing::MessagesDatabaseFixture;
using tarvo::testing::TemporaryFolder;
using tarvo::testing::TemporaryFolderOverride;
using tarvo::testing::writeStandIn;
using Failure = MessagesSender::Failure;
using Stage = MessagesSender::Stage;
using StagedFailure = MessagesSender::StagedFailure;

namespace tarvo {

void PrintTo(const MessagesSenderFailure& failure, std::ostream* out) { *out << failure.description(); }
void PrintTo(const MessagesSenderStagedFailure& failure, std::ostream* out) { *out << failure.description(); }

} // namespace tarvo

namespace {

const std::string ref = "+15550001";

// Stands in for the script runner: records each script with the time it ran since `start` and
// answers from a list, in order; an empty answer is a success.
struct ScriptedRun {
    struct Call {
        std::string script;
        std::chrono::nanoseconds at;
        bool operator==(const Call&) const = default;
        friend void PrintTo(const Call& call, std::ostream* out) {
            *out << "\n  at " << std::chrono::duration<double>(call.at).count() << " s:\n" << call.script;
        }
    };

    std::shared_ptr<FakeClock> clock;
    FakeClock::Instant start = clock->now();
    std::deque<std::exception_ptr> answers = {};
    std::vector<Call> calls = {};

    void restart() {
        start = clock->now();
        calls.clear();
    }
};

Task<std::string> answer(std::shared_ptr<ScriptedRun> run, std::string script) {
    run->calls.push_back({std::move(script), run->clock->now() - run->start});
    std::exception_ptr next;
    if (!run->answers.empty()) {
        next = run->answers.front();
        run->answers.pop_front();
    }
    if (next) std::rethrow_exception(next);
    co_return "";
}

std::exception_ptr fails(const Failure& failure) { return std::make_exception_ptr(failure); }

std::string fileScript(const std::string& path) { return MessagesSender::fileScript(ref, path, false, std::nullopt); }
std::string wordsScript(const std::string& body) { return MessagesSender::script(ref, body, false, std::nullopt); }

template <class Error>
Error thrownBy(RunLoop& loop, Task<void> task) {
    try {
        tarvo::runUntilDone(loop, std::move(task));
    } catch (const Error& error) {
        return error;
    }
    throw std::logic_error("the send did not fail as expected");
}

class MessagesSenderTest : public ::testing::Test {
protected:
    Task<void> send(std::string body, std::vector<std::string> files) const {
        return sender.send(ref, std::move(body), false, std::move(files), std::nullopt);
    }

    // Each script through a stand-in for osascript written with `body`.
    MessagesSender senderThrough(const std::string& body, std::chrono::duration<double> timeout) const {
        MessagesSender::Run run = [runner = runner, standIn = writeStandIn(folder / "osascript", body),
                                   timeout](std::string script) {
            return MessagesSender::osascript(runner, std::move(script), timeout, standIn);
        };
        return MessagesSender(run);
    }

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    RunLoop loop{clock};
    std::shared_ptr<ScriptedRun> scripted = std::make_shared<ScriptedRun>(ScriptedRun{clock});
    MessagesSender sender{[run = scripted](std::string script) { return answer(run, std::move(script)); }};
    std::shared_ptr<LinuxProcessRunner> runner = std::make_shared<LinuxProcessRunner>();
    TemporaryFolder folder;
};

} // namespace

TEST_F(MessagesSenderTest, FilesGoFirstThenAPauseForEachThenTheWords) {
    tarvo::runUntilDone(loop, send("Here they are", {"/tmp/a.jpg", "/tmp/b.pdf"}));
    const std::vector<ScriptedRun::Call> expected{
        {fileScript("/tmp/a.jpg"), 0s}, {fileScript("/tmp/b.pdf"), 0s}, {wordsScript("Here they are"), 8s}};
    EXPECT_EQ(scripted->calls, expected);
}

TEST_F(MessagesSenderTest, FilesWithABlankBodySendOnlyTheFiles) {
    tarvo::runUntilDone(loop, send(" \n\t ", {"/tmp/a.jpg"}));
    EXPECT_EQ(scripted->calls, (std::vector<ScriptedRun::Call>{{fileScript("/tmp/a.jpg"), 0s}}));
    EXPECT_EQ(clock->now() - scripted->start, 4s);
}

TEST_F(MessagesSenderTest, AFileThatFailsEndsTheSend) {
    struct Case {
        std::vector<std::string> files;
        int failingFile;
        std::string ending;
    };
    const Case cases[] = {
        {{"/a", "/b"}, 2, " — file 2 of 2 did not go, so the message was not sent either."},
        {{"/a", "/b", "/c"}, 1, " — file 1 of 3 did not go, so the message was not sent either."},
        {{"/a"}, 1, " — the file did not go, so nothing was sent."},
    };
    for (const Case& c : cases) {
        scripted->calls.clear();
        const auto refused = Failure::messagesRefused("no such buddy");
        scripted->answers.assign(c.failingFile - 1, nullptr);
        scripted->answers.push_back(fails(refused));

        const auto failure = thrownBy<StagedFailure>(loop, send("words", c.files));

        const int count = static_cast<int>(c.files.size());
        EXPECT_EQ(failure, StagedFailure(Stage::file(c.failingFile, count), refused));
        EXPECT_EQ(failure.description(), refused.description() + c.ending);
        ASSERT_EQ(scripted->calls.size(), static_cast<std::size_t>(c.failingFile));
        EXPECT_EQ(scripted->calls.back().script, fileScript(c.files[c.failingFile - 1]));
    }
}

TEST_F(MessagesSenderTest, WordsAloneAreTriedOnceAndFailBare) {
    scripted->answers.push_back(fails(Failure::messagesRefused("buddy unknown")));
    EXPECT_EQ(thrownBy<Failure>(loop, send("Hello", {})), Failure::messagesRefused("buddy unknown"));
    EXPECT_EQ(scripted->calls, (std::vector<ScriptedRun::Call>{{wordsScript("Hello"), 0s}}));
}

TEST_F(MessagesSenderTest, NoWordsAndNoFilesRunsNothing) {
    EXPECT_EQ(thrownBy<Failure>(loop, send(" \r\n ", {})),
              Failure::messagesRefused("this reply had no words and no files, so nothing was sent"));
    EXPECT_TRUE(scripted->calls.empty());
}

TEST_F(MessagesSenderTest, WordsAfterFilesAreTriedAgainOnlyWhenMessagesRefusedThem) {
    const auto words = wordsScript("Hello");
    const auto file = fileScript("/a");
    struct Case {
        const char* name;
        std::deque<std::exception_ptr> answers;
        std::optional<Failure> thrown;
        std::vector<ScriptedRun::Call> calls;
    };
    const Case cases[] = {
        {"refused, then sent",
         {nullptr, fails(Failure::messagesRefused("first"))},
         std::nullopt,
         {{file, 0s}, {words, 4s}, {words, 8s}}},
        {"refused twice",
         {nullptr, fails(Failure::messagesRefused("first")), fails(Failure::messagesRefused("second"))},
         Failure::messagesRefused("second"),
         {{file, 0s}, {words, 4s}, {words, 8s}}},
        // The words may have gone: a second try could deliver them twice.
        {"timed out",
         {nullptr, fails(Failure::messagesTimedOut())},
         Failure::messagesTimedOut(),
         {{file, 0s}, {words, 4s}}},
        {"denied",
         {nullptr, fails(Failure::automationDenied())},
         Failure::automationDenied(),
         {{file, 0s}, {words, 4s}}},
    };
    for (const Case& c : cases) {
        scripted->restart();
        scripted->answers = c.answers;
        if (c.thrown) {
            EXPECT_EQ(thrownBy<StagedFailure>(loop, send("Hello", {"/a"})), StagedFailure(Stage::words(), *c.thrown))
                << c.name;
        } else {
            tarvo::runUntilDone(loop, send("Hello", {"/a"}));
        }
        EXPECT_EQ(scripted->calls, c.calls) << c.name;
    }
}

TEST_F(MessagesSenderTest, OtherRunnerErrorsAreTranslated) {
    struct Case {
        std::string error;
        Failure failure;
    };
    const Case cases[] = {
        {"execution error: Messages got an error: Not authorised to send Apple events to Messages. (-1743)",
         Failure::automationDenied()},
        {"NOT AUTHORIZED", Failure::automationDenied()},
        {"could not start /usr/bin/osascript: Permission denied",
         Failure::messagesRefused("could not start /usr/bin/osascript: Permission denied")},
    };
    for (const Case& c : cases) {
        scripted->answers = {std::make_exception_ptr(std::runtime_error(c.error))};
        EXPECT_EQ(thrownBy<Failure>(loop, send("Hello", {})), c.failure) << c.error;
    }
}

TEST_F(MessagesSenderTest, WhatOsascriptAnswers) {
    struct Case {
        std::string standIn;
        std::optional<std::string> output;
        std::optional<Failure> failure;
    };
    const Case cases[] = {
        {"printf '%s|%s|%s\\n ' \"$#\" \"$1\" \"$2\"", "2|-e|the script\n ", std::nullopt},
        {"printf 'ok\\377'", "", std::nullopt},
        {"echo 'execution error: Not authorized to send Apple events to Messages. (-1743)' >&2\nexit 1", std::nullopt,
         Failure::automationDenied()},
        {"printf '  1:2: execution error: Tarvo: no Messages group matches chat1 (-2700)\\n\\n' >&2\nexit 1",
         std::nullopt,
         Failure::messagesRefused("1:2: execution error: Tarvo: no Messages group matches chat1 (-2700)")},
        {"printf 'bad \\377' >&2\nexit 1", std::nullopt, Failure::messagesRefused("")},
        {"echo 'printed, but failed' \nexit 2", std::nullopt, Failure::messagesRefused("")},
        // More than a pipe holds: read while it runs, so it ends well inside its time-out.
        {"head -c 204800 /dev/zero | tr '\\0' e >&2\nexit 1", std::nullopt,
         Failure::messagesRefused(std::string(204800, 'e'))},
    };
    for (const Case& c : cases) {
        const std::string standIn = writeStandIn(folder / "osascript", c.standIn);
        try {
            const auto output =
                tarvo::runUntilDone(loop, MessagesSender::osascript(runner, "the script", 20s, standIn));
            EXPECT_EQ(output, c.output) << c.standIn;
        } catch (const Failure& failure) {
            EXPECT_EQ(failure, c.failure) << c.standIn;
        }
    }
}

TEST_F(MessagesSenderTest, WordsThatOutliveTheirTimeOutAreStoppedAndNotSentAgain) {
    const auto log = folder / "runs";
    const auto sender = senderThrough("case \"$2\" in *'POSIX file'*) echo file >> '" + log.string() +
                                          "'; exit 0;; esac\n"
                                          "echo words >> '" + log.string() + "'\n"
                                          "trap '' TERM\n"
                                          "while :; do :; done",
                                      1s);
    const auto failure = thrownBy<StagedFailure>(loop, sender.send(ref, "Hello", false, {"/tmp/a.jpg"}, std::nullopt));
    EXPECT_EQ(failure, StagedFailure(Stage::words(), Failure::messagesTimedOut()));
    std::ifstream runs(log);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(runs), std::istreambuf_iterator<char>()), "file\nwords\n");
}

TEST_F(MessagesSenderTest, WithoutOsascriptMessagesRefusesWithTheLaunchError) {
    ASSERT_FALSE(std::filesystem::exists(MessagesSender::osascriptPath));
    const MessagesSender standard(runner);
    EXPECT_EQ(thrownBy<Failure>(loop, standard.send(ref, "Hello", false, {}, std::nullopt)),
              Failure::messagesRefused("/usr/bin/osascript is not on this computer: No such file or directory"));
}

TEST_F(MessagesSenderTest, ARepliesServiceAndGuidComeFromTheDatabaseAndAreLogged) {
    const TemporaryFolderOverride temporary(folder / "tmp");
    MessagesDatabaseFixture fixture(folder / "chat.db");
    const auto person = fixture.addChat({.chatIdentifier = ref, .serviceName = "SMS", .guid = "SMS;-;" + ref});
    fixture.addMessage({.guid = "m1", .chat = person, .date = 780000000, .service = "iMessage"});
    fixture.addChat({.chatIdentifier = "family", .guid = "any;+;family"});
    const ChatDatabase database(folder / "chat.db");
    CapturedTarvoLog log;

    struct Case {
        std::string conversationRef;
        ChatDatabase database;
        ReplyService service;
        std::string script;
        std::string logLine;
    };
    const Case cases[] = {
        {ref, database, {false, ReplyService::Because::theyWroteOverIMessage},
         MessagesSender::script(ref, "Hi", false, std::nullopt),
         "relay job job-1 on sms goes out as iMessage — their newest message came over iMessage"},
        {"family", database, {true, ReplyService::Because::theChannel},
         MessagesSender::script("family", "Hi", true, "any;+;family"),
         "relay job job-1 on sms goes out as SMS — the channel's own service"},
        {ref, ChatDatabase((folder / "missing.db").string()), {true, ReplyService::Because::theChannel},
         MessagesSender::script(ref, "Hi", true, std::nullopt),
         "relay job job-1 on sms goes out as SMS — the channel's own service"},
    };
    for (const Case& c : cases) {
        scripted->calls.clear();
        const auto service =
            tarvo::runUntilDone(loop, sender.sendReply("job-1", "sms", c.conversationRef, "Hi", {}, c.database));
        EXPECT_EQ(service, c.service) << c.conversationRef;
        ASSERT_EQ(scripted->calls.size(), 1u);
        EXPECT_EQ(scripted->calls[0].script, c.script);
        ASSERT_FALSE(log.entries().empty());
        EXPECT_EQ(log.entries().back().category, "relay");
        EXPECT_EQ(log.entries().back().level, tarvo::LogLevel::standard);
        EXPECT_EQ(log.entries().back().text(), c.logLine);
    }
    EXPECT_EQ(log.entries().size(), 3u);
}
