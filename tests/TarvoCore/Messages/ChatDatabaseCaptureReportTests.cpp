#include <gtest/gtest.h>

#include <stdexcept>

#include "TarvoClient/BrainClientFailure.h"
#include "TarvoClient/HttpTransport.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseFailure.h"
#include "TarvoCore/Messages/ChatDatabaseCaptureReport.h"

using namespace std::chrono_literals;
using tarvo::BrainClientFailure;
using tarvo::ChatDatabaseFailure;
using Report = tarvo::ChatDatabaseCaptureReport;
using Failure = Report::Failure;
using Loop = Report::Loop;
using Pass = Report::Pass;
using Stage = Report::Stage;

namespace {

const Report::Date noon = std::chrono::sys_days{std::chrono::year{2024} / 3 / 5} + 12h;

template <class Error>
std::exception_ptr errorOf(Error error) {
    return std::make_exception_ptr(std::move(error));
}

} // namespace

TEST(ChatDatabaseCaptureReport, NewReportHasNothingToSay) {
    const Report report;
    EXPECT_EQ(report.wire(noon), std::nullopt);
    EXPECT_EQ(report.blockedSentence(), std::nullopt);
    EXPECT_EQ(report.stage(), std::nullopt);
}

TEST(ChatDatabaseCaptureReport, WireCarriesExactlyStageFailureAndWholeSecondsSinceCompletion) {
    struct Case {
        std::optional<Report::Date> completedAt;  // nothing: the only pass failed
        std::string wire;
    };
    const Case cases[] = {
        {noon, R"({"stage":"nothingNew","failure":null,"completedAgoSeconds":0})"},
        {noon - 1900ms, R"({"stage":"nothingNew","failure":null,"completedAgoSeconds":1})"},
        {noon - 90700ms, R"({"stage":"nothingNew","failure":null,"completedAgoSeconds":90})"},
        {noon + 5s, R"({"stage":"nothingNew","failure":null,"completedAgoSeconds":0})"},
        {noon - 24h * 365 * 11, R"({"stage":"nothingNew","failure":null,"completedAgoSeconds":315360000})"},
        {noon - 24h * 365 * 10, R"({"stage":"nothingNew","failure":null,"completedAgoSeconds":315360000})"},
        {noon - 24h * 365 * 10 + 1s, R"({"stage":"nothingNew","failure":null,"completedAgoSeconds":315359999})"},
        {std::nullopt, R"({"stage":"failed","failure":"brainUnreachable","completedAgoSeconds":null})"},
    };
    for (const auto& c : cases) {
        Report report;
        if (c.completedAt) report.finished(Loop::live, 0, *c.completedAt);
        else report.failed(Loop::backlog, errorOf(BrainClientFailure::transport("connection reset")));
        ASSERT_TRUE(report.wire(noon).has_value());
        EXPECT_EQ(report.wire(noon)->dump(), c.wire);
    }
}

TEST(ChatDatabaseCaptureReport, ClassifiesEachKnownFailureTypeAndNothingElse) {
    struct Case {
        std::exception_ptr error;
        Failure kind;
        std::optional<std::string> detail;
    };
    const Case cases[] = {
        {errorOf(ChatDatabaseFailure::permissionDenied("/db")), Failure::permissionDenied, std::nullopt},
        {errorOf(ChatDatabaseFailure::notFound("/db")), Failure::notFound, std::nullopt},
        {errorOf(ChatDatabaseFailure::schemaChanged("no message table")), Failure::schemaChanged, "no message table"},
        {errorOf(ChatDatabaseFailure::query("disk I/O error")), Failure::query, "disk I/O error"},
        {errorOf(BrainClientFailure::http(409, "duplicate", "Seen before")), Failure::ingestRefused, "409 duplicate"},
        {errorOf(BrainClientFailure::transport("timed out")), Failure::brainUnreachable, "timed out"},
        {errorOf(BrainClientFailure::decoding("missing key")), Failure::unexpectedAnswer, "missing key"},
        {errorOf(BrainClientFailure::notSignedIn()), Failure::other, std::nullopt},
        {errorOf(tarvo::HttpTransport::Failure("could not connect")), Failure::other, std::nullopt},
        {errorOf(std::runtime_error("query failed")), Failure::other, std::nullopt},
        {errorOf(42), Failure::other, std::nullopt},
        {std::exception_ptr(), Failure::other, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Report::failureOf(c.error), c.kind) << Report::rawValue(c.kind);
        EXPECT_EQ(Report::detailOf(c.error), c.detail) << Report::rawValue(c.kind);
    }
}

TEST(ChatDatabaseCaptureReport, SpeaksOfTheLatestFailureOverAnySuccessAndTheEarlierLoopOnATie) {
    const auto read = [](std::int64_t order) { return Pass{Stage::read, std::nullopt, std::nullopt, order}; };
    const auto failed = [](Failure failure, std::int64_t order) { return Pass{Stage::failed, failure, {}, order}; };
    struct Case {
        std::optional<Pass> live;
        std::optional<Pass> backlog;
        std::optional<Pass> reported;
    };
    const Case cases[] = {
        {std::nullopt, read(1), read(1)},
        {failed(Failure::notFound, 1), read(2), failed(Failure::notFound, 1)},
        {read(2), failed(Failure::query, 1), failed(Failure::query, 1)},
        {failed(Failure::query, 1), failed(Failure::other, 2), failed(Failure::other, 2)},
        {read(3), Pass{Stage::nothingNew, {}, {}, 2}, read(3)},
        {Pass{Stage::nothingNew, {}, {}, 4}, read(4), Pass{Stage::nothingNew, {}, {}, 4}},
        {failed(Failure::query, 4), failed(Failure::notFound, 4), failed(Failure::query, 4)},
    };
    for (const auto& c : cases) {
        Report report;
        report.live = c.live;
        report.backlog = c.backlog;
        EXPECT_EQ(report.stage(), c.reported->stage);
        EXPECT_EQ(report.failure(), c.reported->failure);
    }
}

TEST(ChatDatabaseCaptureReport, AFailedLoopStaysReportedUntilItPassesAgain) {
    Report report;
    report.failed(Loop::live, errorOf(ChatDatabaseFailure::permissionDenied("/db")));
    report.finished(Loop::backlog, 12, noon);
    EXPECT_EQ(report.backlog, (Pass{Stage::read, std::nullopt, std::nullopt, 2}));
    EXPECT_EQ(report.failure(), Failure::permissionDenied);
    EXPECT_EQ(report.blockedSentence(),
              "Tarvo could not read Messages: macOS refused access to its database. Tarvo needs Full Disk Access.");
    EXPECT_EQ(report.lastCompletedAt, noon);

    report.finished(Loop::live, 0, noon + 5s);
    EXPECT_EQ(report.stage(), Stage::nothingNew);
    EXPECT_EQ(report.blockedSentence(), std::nullopt);
    EXPECT_EQ(report.lastCompletedAt, noon + 5s);
}

TEST(ChatDatabaseCaptureReport, BlockedSentenceCarriesANonEmptyDetailInBrackets) {
    struct Case {
        std::exception_ptr error;
        std::string sentence;
    };
    const Case cases[] = {
        {errorOf(ChatDatabaseFailure::query("database is locked")),
         "Tarvo could not read Messages: reading its database failed. (database is locked)"},
        {errorOf(ChatDatabaseFailure::query("")), "Tarvo could not read Messages: reading its database failed."},
        {errorOf(BrainClientFailure::http(409, "duplicate", "Seen before")),
         "Tarvo read Messages, and Tarvo refused what this Mac handed over. (409 duplicate)"},
        {errorOf(std::runtime_error("boom")), "Tarvo could not finish reading Messages."},
    };
    for (const auto& c : cases) {
        Report report;
        report.finished(Loop::live, 3, noon);
        report.failed(Loop::backlog, c.error);
        EXPECT_EQ(report.blockedSentence(), c.sentence);
        EXPECT_EQ(report.lastCompletedAt, noon);
    }
}

TEST(ChatDatabaseCaptureReport, StoppingForgetsThePassesButKeepsCountAndCompletion) {
    Report report;
    report.finished(Loop::live, 1, noon);
    report.failed(Loop::backlog, errorOf(ChatDatabaseFailure::notFound("/db")));
    report.stopped();
    EXPECT_EQ(report.wire(noon), std::nullopt);
    EXPECT_EQ(report.blockedSentence(), std::nullopt);

    report.finished(Loop::backlog, 0, noon + 1s);
    EXPECT_EQ(report.backlog, (Pass{Stage::nothingNew, std::nullopt, std::nullopt, 3}));
    EXPECT_EQ(report.live, std::nullopt);
}

TEST(ChatDatabaseCaptureReport, RawValuesAreTheCaseNames) {
    std::string stages;
    for (Stage stage : Report::allStages) stages += std::string(Report::rawValue(stage)) + " ";
    EXPECT_EQ(stages, "read nothingNew failed ");
    std::string failures;
    for (Failure failure : Report::allFailures) failures += std::string(Report::rawValue(failure)) + " ";
    EXPECT_EQ(failures,
              "permissionDenied notFound schemaChanged query ingestRefused brainUnreachable unexpectedAnswer other ");
}
