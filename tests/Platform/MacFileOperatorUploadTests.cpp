#include <gtest/gtest.h>

#include <string>

#include "Platform/MacFileOperator.h"
#include "Platform/MacFileOperatorTestSupport.h"
#include "Support/TemporaryFolder.h"
#include "Support/UploadService.h"
#include "TarvoClient/ClientTest.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

using tarvo::BrainClient;
using tarvo::MacFileOperator;
using tarvo::OperatorPortFailure;
using tarvo::Task;
using tarvo::testing::checked;
using tarvo::testing::StepFileLedger;
using tarvo::testing::UploadService;
using tarvo::testing::writeFile;

namespace {

const std::string stepId = "step-1";

struct MacFileOperatorUploadTest : tarvo::testing::ClientTest {
    tarvo::testing::TemporaryFolder home;
    UploadService service{stepId};
    std::shared_ptr<BrainClient> signedInClient = clientAt(service.baseURL());
    bool signedOut = false;

    // The upload's result, or its sentence.
    std::string upload(const std::string& bytes) {
        writeFile(home / "file.bin", bytes);
        MacFileOperator files(
            [this]() -> Task<std::shared_ptr<BrainClient>> {
                co_return signedOut ? nullptr : signedInClient;
            },
            home.path().string(), tarvo::testing::documentReader());
        try {
            const auto sent = run(files.upload(checked(home / "file.bin", home.path()), stepId));
            return std::to_string(sent.bytes) + " " + sent.sha256;
        } catch (const OperatorPortFailure& failure) {
            return failure.sentence;
        }
    }
};

} // namespace

TEST_F(MacFileOperatorUploadTest, TheWholeFileArrivesInChunksOfFourMebibytes) {
    std::string bytes(MacFileOperator::uploadChunk + 5, 'x');
    const std::string sent = upload(bytes);
    const StepFileLedger ledger = service.ledger();
    EXPECT_TRUE(ledger.complete);
    EXPECT_TRUE(ledger.held == bytes);
    int puts = 0;
    for (const auto& exchange : ledger.exchanges) {
        if (!exchange.chunk) continue;
        ++puts;
        EXPECT_EQ(exchange.chunk->total, static_cast<std::int64_t>(bytes.size()));
        EXPECT_EQ(sent, std::to_string(bytes.size()) + " " + exchange.chunk->sha256);
    }
    EXPECT_EQ(puts, 2);
}

TEST_F(MacFileOperatorUploadTest, AnUploadTheServiceWillNotFinishGivesItsSentence) {
    service.onPut([](StepFileLedger&, const StepFileLedger::Chunk&, int) {
        return std::optional<StepFileLedger::Answer>(StepFileLedger::Answer{
            200, tarvo::Json::parse(R"({"received":0,"complete":false,"sentence":"Not now."})")});
    });
    EXPECT_EQ(upload("abc"), "Not now.");
}

TEST_F(MacFileOperatorUploadTest, SignedOutNothingIsSent) {
    signedOut = true;
    EXPECT_EQ(upload("abc"), MacFileOperator::signedOutSentence);
    EXPECT_TRUE(service.ledger().exchanges.empty());
}
