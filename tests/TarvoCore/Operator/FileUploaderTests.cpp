#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <variant>

#include <fcntl.h>
#include <sys/stat.h>

#include "Support/RawUploadService.h"
#include "Support/RunningProgram.h"
#include "Support/TemporaryFolder.h"
#include "Support/UploadService.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoClient/ClientTest.h"
#include "TarvoCore/Operator/BrainUploadTransport.h"
#include "TarvoCore/Operator/CheckedFile.h"
#include "TarvoCore/Operator/FileUploader.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

using tarvo::BrainClient;
using tarvo::BrainUploadTransport;
using tarvo::CheckedFile;
using tarvo::FileUploader;
using tarvo::Json;
using tarvo::MacUploadState;
using tarvo::OperatorPortFailure;
using tarvo::testing::RawUploadService;
using tarvo::testing::StepFileLedger;
using tarvo::testing::UploadService;
namespace fs = std::filesystem;

namespace {

constexpr std::int64_t mebibytes4 = 4 * 1024 * 1024;
constexpr std::int64_t kibibyte = 1024;
const std::string stepId = "step-1";
const std::string stalledSentence = "The file stopped arriving at Tarvo, so it was not brought back.";
const std::string disagreeSentence = "Tarvo and the Mac disagree about how much of the file arrived.";

std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
    return bytes;
}

void write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string sha256sum(const fs::path& path) {
    tarvo::testing::RunningProgram program("/usr/bin/sha256sum", {path.string()}, {});
    EXPECT_EQ(program.exitStatus(), 0);
    return program.output().substr(0, 64);
}

// What an upload ended in: its result, or the kind of failure and its words.
using Outcome = std::variant<FileUploader::Result, std::string>;

std::string describe(const Outcome& outcome) {
    return std::holds_alternative<std::string>(outcome) ? std::get<std::string>(outcome) : "complete";
}

std::vector<StepFileLedger::Chunk> puts(const StepFileLedger& ledger) {
    std::vector<StepFileLedger::Chunk> chunks;
    for (const auto& exchange : ledger.exchanges) {
        if (exchange.chunk) chunks.push_back(*exchange.chunk);
    }
    return chunks;
}

// What every sequence of uploads that ended complete must show.
void expectSentExactlyTheFile(const StepFileLedger& ledger, const std::string& bytes, const std::string& sha256,
                              std::int64_t chunk) {
    EXPECT_TRUE(ledger.complete);
    EXPECT_TRUE(ledger.held == bytes) << "the service holds " << ledger.held.size() << " of " << bytes.size();
    // Each chunk starts where the service last told the client it stands: no byte it had taken
    // is sent again unless it asked for it.
    std::optional<std::int64_t> told;
    for (const auto& exchange : ledger.exchanges) {
        if (exchange.chunk) {
            const auto& sent = *exchange.chunk;
            EXPECT_EQ(std::optional(sent.offset), told) << "a chunk from where the service did not say";
            EXPECT_EQ(sent.total, static_cast<std::int64_t>(bytes.size()));
            EXPECT_EQ(sent.sha256, sha256);
            EXPECT_LE(static_cast<std::int64_t>(sent.body.size()), chunk);
            EXPECT_LE(sent.offset + static_cast<std::int64_t>(sent.body.size()), sent.total);
        }
        told = exchange.delivered ? StepFileLedger::received(exchange.answer) : std::nullopt;
    }
}

struct FileUploaderTest : tarvo::testing::ClientTest {
    tarvo::testing::TemporaryFolder folder;
    fs::path file = folder / "file.bin";

    Outcome upload(const std::string& baseURL, std::int64_t chunk, int stalls = 3) {
        return outcomeOf([&] { return FileUploader::upload(file, stepId, transport(baseURL), chunk, stalls); });
    }

    std::shared_ptr<BrainUploadTransport> transport(const std::string& baseURL) {
        return std::make_shared<BrainUploadTransport>(clientAt(baseURL));
    }

    Outcome outcomeOf(const std::function<tarvo::Task<FileUploader::Result>()>& start) {
        try {
            return run(start());
        } catch (const OperatorPortFailure& failure) {
            return "port: " + failure.sentence;
        } catch (const BrainClient::Failure&) {
            return std::string("client failure");
        } catch (const std::exception& error) {
            return std::string("error: ") + error.what();
        }
    }
};

} // namespace

TEST(BrainUploadTransport, JudgesEachAnswer) {
    struct Case {
        int status;
        std::string body;
        bool resumable;
        std::variant<MacUploadState, std::string> expected;
    };
    const auto state = [](std::int64_t received, bool complete) {
        MacUploadState s;
        s.received = received;
        s.complete = complete;
        return s;
    };
    MacUploadState full{10, 20, false, "doc-1", true, "Still arriving."};
    const std::string wouldNotTake200 = "Tarvo would not take the file (200), so it was not brought back.";
    for (const auto& c : std::initializer_list<Case>{
             {200, R"({"received":10,"complete":false})", false, state(10, false)},
             {201, R"({"state":{"received":10,"complete":true}})", false, state(10, true)},
             {200, R"({"received":10,"complete":false,"total":20,"documentId":"doc-1","fileKept":true,
                      "sentence":"Still arriving.","extra":[1]})",
              false, full},
             {200, R"({"received":10,"complete":false,"total":null,"documentId":null,"fileKept":null,"sentence":null})",
              false, state(10, false)},
             {200, R"({"received":10.0,"complete":false})", false, state(10, false)},
             {200, R"({"received":10})", false, wouldNotTake200},
             {200, R"({"received":10.5,"complete":false})", false, wouldNotTake200},
             {200, R"({"received":"10","complete":false})", false, wouldNotTake200},
             {200, R"({"received":10,"complete":"no"})", false, wouldNotTake200},
             {200, R"({"state":{"received":10}})", false, wouldNotTake200},
             {200, R"([{"received":10,"complete":false}])", false, wouldNotTake200},
             {200, R"({"message":5})", false, wouldNotTake200},
             {200, "", false, wouldNotTake200},
             {409, R"({"received":512,"complete":false})", true, state(512, false)},
             {409, R"({"received":512,"complete":false})", false,
              "Tarvo would not take the file (409), so it was not brought back."},
             {409, R"({"received":512,"complete":false,"message":"That step has ended."})", false,
              "That step has ended."},
             {500, R"({"message":"Down for a moment."})", true, "Down for a moment."},
             {500, "", true, "Tarvo would not take the file (500), so it was not brought back."},
             {413, "<html>too large</html>", true, "Tarvo would not take the file (413), so it was not brought back."},
         }) {
        SCOPED_TRACE(std::to_string(c.status) + " " + c.body);
        try {
            const MacUploadState got = BrainUploadTransport::state(c.status, c.body, c.resumable);
            ASSERT_TRUE(std::holds_alternative<MacUploadState>(c.expected)) << "no failure";
            EXPECT_EQ(got, std::get<MacUploadState>(c.expected));
        } catch (const OperatorPortFailure& failure) {
            ASSERT_TRUE(std::holds_alternative<std::string>(c.expected)) << failure.sentence;
            EXPECT_EQ(failure.sentence, std::get<std::string>(c.expected));
        }
    }
}

TEST(FileUploaderDigest, StreamsTheFileAndStopsAtTheMostItMayRead) {
    tarvo::testing::TemporaryFolder folder;
    const fs::path path = folder / "nine.bin";
    const std::string bytes = pattern(9 * 1024 * 1024);
    write(path, bytes);
    const std::string reference = sha256sum(path);
    EXPECT_EQ(FileUploader::digest(path, mebibytes4), (FileUploader::Digest{reference, 9 * 1024 * 1024}));
    // A chunk below one reads one byte at a time rather than digesting nothing.
    write(folder / "small.bin", "abc");
    EXPECT_EQ(FileUploader::digest(folder / "small.bin", 0),
              (FileUploader::Digest{"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", 3}));

    const tarvo::FileDescriptor file = tarvo::FileCalls::open(folder / "small.bin", O_RDONLY);
    EXPECT_EQ(FileUploader::digest(file, 2, 1).bytes, 2);
    EXPECT_EQ(FileUploader::digest(file, 100, 7).bytes, 3);
    EXPECT_THROW(FileUploader::digest(folder / "missing.bin", 1), std::filesystem::filesystem_error);
}

TEST_F(FileUploaderTest, AWellBehavedServiceGetsEveryByteOnceInChunks) {
    for (const std::int64_t size : {std::int64_t{0}, std::int64_t{1}, mebibytes4, mebibytes4 + 1, std::int64_t{9 * 1024 * 1024}}) {
        SCOPED_TRACE(size);
        UploadService service(stepId);
        const std::string bytes = pattern(static_cast<std::size_t>(size));
        write(file, bytes);
        const std::string sha256 = sha256sum(file);

        const Outcome outcome = upload(service.baseURL(), FileUploader::chunkMax);
        ASSERT_EQ(describe(outcome), "complete");
        const auto& result = std::get<FileUploader::Result>(outcome);
        EXPECT_EQ(result.bytes, size);
        EXPECT_EQ(result.sha256, sha256);
        EXPECT_TRUE(result.state.complete);

        const StepFileLedger ledger = service.ledger();
        ASSERT_FALSE(ledger.exchanges.empty());
        EXPECT_EQ(ledger.exchanges.front().method, "GET");
        const std::size_t chunks = size == 0 ? 1 : static_cast<std::size_t>((size + mebibytes4 - 1) / mebibytes4);
        EXPECT_EQ(puts(ledger).size(), chunks);
        expectSentExactlyTheFile(ledger, bytes, sha256, FileUploader::chunkMax);
    }
}

TEST_F(FileUploaderTest, AnUploadTheServiceAlreadyHoldsSendsNothing) {
    UploadService service(stepId);
    const std::string bytes = pattern(5000);
    write(file, bytes);
    service.change([&](StepFileLedger& ledger) {
        ledger.held = bytes;
        ledger.complete = true;
    });
    const Outcome outcome = upload(service.baseURL(), kibibyte);
    ASSERT_EQ(describe(outcome), "complete");
    EXPECT_EQ(std::get<FileUploader::Result>(outcome).bytes, 5000);
    EXPECT_EQ(std::get<FileUploader::Result>(outcome).sha256, sha256sum(file));
    EXPECT_TRUE(puts(service.ledger()).empty());
}

TEST_F(FileUploaderTest, TheChunkAfterAFailureOrAConflictStartsWhereTheServiceSays) {
    const std::string bytes = pattern(5 * 1024 + 100);
    const auto answerPut = [](int number, std::function<StepFileLedger::Answer(StepFileLedger&)> answer) {
        return [number, answer](StepFileLedger& ledger, const StepFileLedger::Chunk&,
                                int put) -> std::optional<StepFileLedger::Answer> {
            if (put != number) return std::nullopt;
            return answer(ledger);
        };
    };
    const auto conflict = [](std::function<void(StepFileLedger&)> change) {
        return [change](StepFileLedger& ledger) {
            change(ledger);
            return StepFileLedger::Answer{409, ledger.state()};
        };
    };
    struct Case {
        const char* what;
        int put;
        std::function<StepFileLedger::Answer(StepFileLedger&)> answer;
        // What the first call ends in; a call that failed is followed by another.
        std::string firstCall;
        // Where the chunk after the answered one starts.
        std::int64_t nextChunkAt;
    };
    const std::vector<Case> cases{
        {"a 500 with a message", 3, [](StepFileLedger&) { return StepFileLedger::Answer{500, Json{{"message", "Tarvo is busy."}}}; },
         "port: Tarvo is busy.", 2048},
        {"a 500 without a body", 1, [](StepFileLedger&) { return StepFileLedger::Answer{500, Json()}; },
         "port: Tarvo would not take the file (500), so it was not brought back.", 0},
        {"a 409 naming a lower offset", 3, conflict([](StepFileLedger& ledger) { ledger.held.resize(1000); }),
         "complete", 1000},
        // Bytes the service truly lost are sent again, but for no more than three chunks a call.
        {"a 409 naming the start", 3, conflict([](StepFileLedger& ledger) { ledger.held.clear(); }),
         "port: " + stalledSentence, 0},
        {"a 409 naming a higher offset", 2,
         conflict([&bytes](StepFileLedger& ledger) { ledger.held = bytes.substr(0, 3000); }), "complete", 3000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UploadService service(stepId);
        write(file, bytes);
        const std::string sha256 = sha256sum(file);
        service.onPut(answerPut(c.put, c.answer));
        ASSERT_EQ(describe(upload(service.baseURL(), kibibyte)), c.firstCall);
        if (c.firstCall != "complete") {
            ASSERT_EQ(describe(upload(service.baseURL(), kibibyte)), "complete");
        }
        EXPECT_EQ(puts(service.ledger()).at(static_cast<std::size_t>(c.put)).offset, c.nextChunkAt);
        expectSentExactlyTheFile(service.ledger(), bytes, sha256, kibibyte);
    }
}

TEST_F(FileUploaderTest, AServiceThatStopsTakingBytesEndsTheUploadAfterThreeAnswers) {
    const std::string bytes = pattern(5 * 1024 + 100);
    write(file, bytes);
    struct Case {
        const char* what;
        UploadService::PutHook hook;
        std::string ends;
        std::size_t chunksSent;
    };
    const std::vector<Case> cases{
        {"received 0 every time",
         [](StepFileLedger&, const StepFileLedger::Chunk&, int) {
             return std::optional(StepFileLedger::Answer{200, Json{{"received", 0}, {"complete", false}}});
         },
         "port: " + stalledSentence, 3},
        {"received 0 every time, with the service's own sentence",
         [](StepFileLedger&, const StepFileLedger::Chunk&, int) {
             return std::optional(StepFileLedger::Answer{
                 200, Json{{"received", 0}, {"complete", false}, {"sentence", "Tarvo has no room for it."}}});
         },
         "port: Tarvo has no room for it.", 3},
        {"received swinging between nothing and one chunk",
         [](StepFileLedger& ledger, const StepFileLedger::Chunk& chunk, int put) -> std::optional<StepFileLedger::Answer> {
             // An uploader that judged progress by the last answer alone would go on for ever.
             if (put > 20) return StepFileLedger::Answer{500, Json{{"message", "sent without end"}}};
             if (put % 2 == 1) return ledger.put(chunk);
             ledger.held.clear();
             return StepFileLedger::Answer{200, ledger.state()};
         },
         "port: " + stalledSentence, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UploadService service(stepId);
        service.onPut(c.hook);
        EXPECT_EQ(describe(upload(service.baseURL(), kibibyte)), c.ends);
        EXPECT_EQ(puts(service.ledger()).size(), c.chunksSent);
    }
}

TEST_F(FileUploaderTest, AnOffsetOutsideTheFileIsRefusedBeforeAnythingIsRead) {
    write(file, pattern(5000));
    for (const std::int64_t received : {std::int64_t{5001}, std::int64_t{-1}}) {
        UploadService service(stepId);
        service.onGet([received](StepFileLedger&) {
            return std::optional(StepFileLedger::Answer{200, Json{{"received", received}, {"complete", false}}});
        });
        EXPECT_EQ(describe(upload(service.baseURL(), kibibyte)), "port: " + disagreeSentence);
        EXPECT_TRUE(puts(service.ledger()).empty());
    }
}

TEST_F(FileUploaderTest, OnlyTheDigestedBytesGoWhileTheFileChanges) {
    const std::string bytes = pattern(5 * 1024 + 100);
    {
        SCOPED_TRACE("the file grows after the digest");
        UploadService service(stepId);
        write(file, bytes);
        const std::string sha256 = sha256sum(file);
        service.onGet([this](StepFileLedger&) {
            std::ofstream(file, std::ios::binary | std::ios::app) << std::string(3000, 'x');
            return std::optional<StepFileLedger::Answer>();
        });
        ASSERT_EQ(describe(upload(service.baseURL(), kibibyte)), "complete");
        expectSentExactlyTheFile(service.ledger(), bytes, sha256, kibibyte);
    }
    {
        SCOPED_TRACE("the file shrinks after the digest");
        UploadService service(stepId);
        write(file, bytes);
        service.onGet([this](StepFileLedger&) {
            fs::resize_file(file, 2000);
            return std::optional<StepFileLedger::Answer>();
        });
        EXPECT_EQ(describe(upload(service.baseURL(), kibibyte)),
                  "error: the file became shorter while it was being sent");
        EXPECT_EQ(puts(service.ledger()).size(), 1u);
        EXPECT_EQ(service.ledger().held, bytes.substr(0, 1024));
    }
    {
        SCOPED_TRACE("the checked file grows after it was opened");
        UploadService service(stepId);
        write(file, bytes);
        const std::string sha256 = sha256sum(file);
        const std::string home = fs::canonical(folder.path()).string();
        struct stat status {};
        ASSERT_EQ(::lstat(file.c_str(), &status), 0);
        auto opened = CheckedFile::open(fs::canonical(file).string(), home, tarvo::FileIdentity::of(status));
        ASSERT_TRUE(std::holds_alternative<CheckedFile>(opened));
        std::ofstream(file, std::ios::binary | std::ios::app) << std::string(3000, 'x');
        const CheckedFile checked = std::get<CheckedFile>(opened);
        auto sending = transport(service.baseURL());
        ASSERT_EQ(describe(outcomeOf([&] { return FileUploader::upload(checked, stepId, sending, kibibyte, 3); })),
                  "complete");
        expectSentExactlyTheFile(service.ledger(), bytes, sha256, kibibyte);
    }
}

TEST_F(FileUploaderTest, AChunkLostOnTheWayIsNotSentTwice) {
    const std::string bytes = pattern(5 * 1024 + 100);
    write(file, bytes);
    const std::string sha256 = sha256sum(file);
    struct Case {
        const char* what;
        RawUploadService::Fault fault;
        std::int64_t resumesAt;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"the service keeps the second chunk, then hangs up", RawUploadService::Fault::hangUpAfterKeeping, 2048},
             {"the service keeps half the second chunk's body", RawUploadService::Fault::keepPartOfTheBody, 1536},
         }) {
        SCOPED_TRACE(c.what);
        RawUploadService service(c.fault, 2);
        EXPECT_EQ(describe(upload(service.baseURL(), kibibyte)), "client failure");
        ASSERT_EQ(puts(service.ledger()).size(), 2u);
        ASSERT_EQ(describe(upload(service.baseURL(), kibibyte)), "complete");
        const auto sent = puts(service.ledger());
        EXPECT_EQ(sent.at(2).offset, c.resumesAt);
        expectSentExactlyTheFile(service.ledger(), bytes, sha256, kibibyte);
    }
}
