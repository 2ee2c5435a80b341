#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "Support/LoopWithFakeClock.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Task.h"
#include "TarvoClient/BrainClientFailure.h"
#include "TarvoCore/WhatsApp/IngestPass.h"
#include "TarvoCore/WhatsApp/PeekSchedule.h"
#include "TarvoCore/WhatsApp/RetryBudget.h"
#include "TarvoCore/WhatsApp/SentMessages.h"
#include "TarvoCore/WhatsApp/ToPost.h"

using namespace tarvo::WhatsAppWeb;
using tarvo::BrainClientFailure;
using tarvo::Task;
using Ids = std::vector<std::string>;
using Chats = std::set<std::string>;
using Tries = std::map<std::string, std::int64_t>;

namespace {

Message message(std::string id, std::string chat, bool peeked) {
    return {.externalId = std::move(id), .chatKey = std::move(chat), .peeked = peeked};
}

// Fails the messages named in `failures` with their error, accepts the rest.
Task<void> postTo(std::map<std::string, std::exception_ptr> failures, Message message) {
    if (const auto failure = failures.find(message.externalId); failure != failures.end()) {
        std::rethrow_exception(failure->second);
    }
    co_return;
}

IngestPass ingest(tarvo::RunLoop& loop, std::vector<Message> messages,
                  const std::map<std::string, std::exception_ptr>& failures) {
    std::function<Task<void>(Message)> post = [failures](Message one) { return postTo(failures, std::move(one)); };
    return tarvo::runUntilDone(loop, ingestEach(std::move(messages), std::move(post)));
}

Ids ids(const std::vector<Message>& messages) {
    Ids out;
    for (const auto& one : messages) out.push_back(one.externalId);
    return out;
}

Ids ids(const std::vector<IngestPass::Failed>& failed) {
    Ids out;
    for (const auto& one : failed) out.push_back(one.message.externalId);
    return out;
}

template <class Error>
std::exception_ptr error(Error value) {
    return std::make_exception_ptr(std::move(value));
}

} // namespace

// Four messages: o1 (opened, chat a) is accepted, o2 (opened, chat b) fails with the row's error,
// p3 (peeked, chat c) fails with it too when it is reached, p4 (peeked, chat d) is accepted. o1 and
// p4 had tries from earlier passes, and p3 had already spent its ten.
TEST(WhatsAppIngestPass, EachFailureDecidesWhatIsTriedAndReadAgain) {
    struct Row {
        const char* name;
        std::exception_ptr error;
        bool stops;
        Chats reopen;
        Chats peekAgain;
        Tries tries;
    };
    const Tries spentByTheMessage{{"o2", 1}, {"p3", 11}};
    const Tries untouched{{"p3", 10}};
    const Tries stoppedUntouched{{"p3", 10}, {"p4", 2}};
    const std::vector<Row> rows{
        {"transport", error(BrainClientFailure::transport("connection refused")), true, {"b"}, {"c", "d"},
         stoppedUntouched},
        {"not signed in", error(BrainClientFailure::notSignedIn()), true, {"b"}, {"c", "d"}, stoppedUntouched},
        {"401 reuse_detected", error(BrainClientFailure::http(401, "reuse_detected", "")), true, {"b"}, {"c", "d"},
         stoppedUntouched},
        {"401 invalid_token", error(BrainClientFailure::http(401, "invalid_token", "")), true, {"b"}, {"c", "d"},
         stoppedUntouched},
        {"403 channel_disabled", error(BrainClientFailure::http(403, "channel_disabled", "")), true, {}, {},
         stoppedUntouched},
        {"decoding", error(BrainClientFailure::decoding("the answer is not JSON")), false, {"b"}, {},
         spentByTheMessage},
        {"400", error(BrainClientFailure::http(400, "bad_request", "no")), false, {"b"}, {}, spentByTheMessage},
        {"401 other code", error(BrainClientFailure::http(401, "forbidden", "")), false, {"b"}, {}, spentByTheMessage},
        {"404", error(BrainClientFailure::http(404, "not_found", "")), false, {"b"}, {}, spentByTheMessage},
        {"408", error(BrainClientFailure::http(408, "", "")), false, {"b"}, {"c"}, untouched},
        {"429", error(BrainClientFailure::http(429, "rate_limited", "")), false, {"b"}, {"c"}, untouched},
        {"500", error(BrainClientFailure::http(500, "", "")), false, {"b"}, {"c"}, untouched},
        {"503", error(BrainClientFailure::http(503, "", "")), false, {"b"}, {"c"}, untouched},
        {"599", error(BrainClientFailure::http(599, "", "")), false, {"b"}, {"c"}, untouched},
        {"not a client failure", error(std::runtime_error("disk full")), false, {"b"}, {}, spentByTheMessage},
    };
    tarvo::testing::LoopWithFakeClock fake;
    const std::vector<Message> messages{message("o1", "a", false), message("o2", "b", false), message("p3", "c", true),
                                        message("p4", "d", true)};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const IngestPass pass = ingest(fake.loop, messages, {{"o2", row.error}, {"p3", row.error}});
        EXPECT_EQ(failureStopsTheRest(row.error), row.stops);
        if (row.stops) {
            EXPECT_EQ(ids(pass.posted), (Ids{"o1"}));
            EXPECT_EQ(ids(pass.failed), (Ids{"o2"}));
            EXPECT_EQ(ids(pass.notTried), (Ids{"p3", "p4"}));
        } else {
            EXPECT_EQ(ids(pass.posted), (Ids{"o1", "p4"}));
            EXPECT_EQ(ids(pass.failed), (Ids{"o2", "p3"}));
            EXPECT_TRUE(pass.notTried.empty());
        }
        RetryBudget budget(RetryBudget::defaultLimit);
        budget.tries = {{"o1", 5}, {"p3", 10}, {"p4", 2}};
        EXPECT_EQ(pass.chatsToReopen(budget), row.reopen);
        EXPECT_EQ(pass.chatsToPeekAgain(budget), row.peekAgain);
        EXPECT_EQ(budget.tries, row.tries);
    }
}

TEST(WhatsAppIngestPass, OnlyTheChannelBeingOffIsTheChannel) {
    EXPECT_TRUE(failureIsTheChannel(error(BrainClientFailure::http(403, "channel_disabled", ""))));
    EXPECT_TRUE(failureIsTheChannel(error(BrainClientFailure::http(409, "channel_disabled", ""))));
    EXPECT_FALSE(failureIsTheChannel(error(BrainClientFailure::http(403, "forbidden", ""))));
    EXPECT_FALSE(failureIsTheChannel(error(BrainClientFailure::transport("channel_disabled"))));
    EXPECT_FALSE(failureIsTheChannel(error(std::runtime_error("channel_disabled"))));
    EXPECT_FALSE(failureIsTheChannel(nullptr));
}

TEST(WhatsAppIngestPass, TheChannelBeingOffStopsAllReadingAgainWhateverElseFailed) {
    IngestPass pass;
    pass.posted = {message("o1", "a", false)};
    pass.failed = {{message("o2", "b", false), error(BrainClientFailure::http(400, "bad_request", ""))},
                   {message("p3", "c", true), error(BrainClientFailure::http(403, "channel_disabled", ""))}};
    pass.notTried = {message("o4", "d", false), message("p5", "e", true)};
    RetryBudget budget(10);
    budget.tries = {{"o1", 3}};
    EXPECT_TRUE(pass.chatsToReopen(budget).empty());
    EXPECT_TRUE(pass.chatsToPeekAgain(budget).empty());
    EXPECT_TRUE(budget.tries.empty());
}

TEST(WhatsAppIngestPass, MessagesWithoutAChatReadNothingAgain) {
    tarvo::testing::LoopWithFakeClock fake;
    const auto refused = error(BrainClientFailure::http(400, "bad_request", ""));
    const IngestPass pass = ingest(fake.loop, {{.externalId = "o1"}, {.externalId = "p2", .peeked = true}},
                                   {{"o1", refused}, {"p2", refused}});
    RetryBudget budget(10);
    EXPECT_TRUE(pass.chatsToReopen(budget).empty());
    EXPECT_TRUE(pass.chatsToPeekAgain(budget).empty());
    EXPECT_TRUE(budget.tries.empty());
    EXPECT_TRUE(ingest(fake.loop, {}, {}).posted.empty());
}

namespace {

// What the session keeps between passes, and one pass through it as the capture pass runs it:
// filter, ingest, read again.
struct Passes {
    tarvo::testing::LoopWithFakeClock fake;
    SentMessages sent;
    PeekSchedule schedule{PeekSchedule::currentVersion};
    RetryBudget retries{RetryBudget::defaultLimit};

    struct Outcome {
        ReadResult offered;
        IngestPass pass;
        Chats reopen;
        Chats peekAgain;
    };

    Outcome run(const std::vector<Message>& read, const std::exception_ptr& failure) {
        Outcome outcome;
        outcome.offered = toPost(ReadResult{.messages = read}, sent, schedule, retries);
        std::map<std::string, std::exception_ptr> failures;
        if (failure) {
            for (const auto& one : read) failures.emplace(one.externalId, failure);
        }
        outcome.pass = ingest(fake.loop, outcome.offered.messages, failures);
        for (const auto& posted : outcome.pass.posted) sent.record(posted);
        outcome.reopen = outcome.pass.chatsToReopen(retries);
        outcome.peekAgain = outcome.pass.chatsToPeekAgain(retries);
        schedule.readAgain(outcome.peekAgain);
        schedule.handedOver(outcome.pass.posted);
        return outcome;
    }
};

} // namespace

TEST(WhatsAppIngestPass, AnOutageOfTheServiceLosesNoMessage) {
    Passes passes;
    const std::vector<Message> read{message("o1", "a", false), message("p2", "c", true)};
    const auto unavailable = error(BrainClientFailure::http(503, "", "Service Unavailable"));
    for (int pass = 1; pass <= 12; ++pass) {
        SCOPED_TRACE(pass);
        const auto outcome = passes.run(read, unavailable);
        EXPECT_EQ(outcome.offered.withheld, 0);
        EXPECT_EQ(ids(outcome.pass.failed), (Ids{"o1", "p2"}));
        EXPECT_EQ(outcome.reopen, (Chats{"a"}));
        EXPECT_EQ(outcome.peekAgain, (Chats{"c"}));
    }
    const auto back = passes.run(read, nullptr);
    EXPECT_EQ(back.offered.withheld, 0);
    EXPECT_EQ(ids(back.pass.posted), (Ids{"o1", "p2"}));
    EXPECT_TRUE(passes.retries.tries.empty());

    const auto again = passes.run(read, nullptr);
    EXPECT_EQ(again.offered.alreadyKnown, 2);
    EXPECT_TRUE(again.pass.posted.empty());
}

TEST(WhatsAppIngestPass, AMessageTheServiceRefusesIsGivenUpAfterItsTenthRetry) {
    Passes passes;
    const std::vector<Message> read{message("o1", "a", false), message("p2", "c", true)};
    const auto refused = error(BrainClientFailure::http(400, "bad_request", "no"));
    for (int pass = 1; pass <= 10; ++pass) {
        SCOPED_TRACE(pass);
        const auto outcome = passes.run(read, refused);
        EXPECT_EQ(outcome.offered.withheld, 0);
        EXPECT_EQ(outcome.reopen, (Chats{"a"}));
        EXPECT_EQ(outcome.peekAgain, (Chats{"c"}));
    }
    const auto eleventh = passes.run(read, refused);
    EXPECT_EQ(ids(eleventh.pass.failed), (Ids{"o1", "p2"}));
    EXPECT_TRUE(eleventh.reopen.empty());
    EXPECT_TRUE(eleventh.peekAgain.empty());

    const auto twelfth = passes.run(read, refused);
    EXPECT_EQ(twelfth.offered.withheld, 1);
    EXPECT_EQ(ids(twelfth.offered.messages), (Ids{"o1"}));
    EXPECT_TRUE(twelfth.reopen.empty());
    EXPECT_TRUE(twelfth.peekAgain.empty());
}
