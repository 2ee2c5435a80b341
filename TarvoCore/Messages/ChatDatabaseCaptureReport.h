#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoBase/Json.h"

namespace tarvo {

// How the latest Messages capture pass of each loop ended: what every heartbeat tells the
// service under "chatDb", and the reason shown to the user when Messages cannot be read.
// A plain value; it reads nothing itself.
class ChatDatabaseCaptureReport {
public:
    using Date = std::chrono::system_clock::time_point;

    enum class Stage { read, nothingNew, failed };
    static constexpr std::array<Stage, 3> allStages{Stage::read, Stage::nothingNew, Stage::failed};

    enum class Failure {
        permissionDenied,
        notFound,
        schemaChanged,
        query,
        ingestRefused,
        brainUnreachable,
        unexpectedAnswer,
        other,
    };
    static constexpr std::array<Failure, 8> allFailures{
        Failure::permissionDenied, Failure::notFound,         Failure::schemaChanged,    Failure::query,
        Failure::ingestRefused,    Failure::brainUnreachable, Failure::unexpectedAnswer, Failure::other,
    };

    // `live` is the quick pass over the newest rows, `backlog` the full pass after the cursor.
    enum class Loop { live, backlog };

    struct Pass {
        Stage stage = Stage::nothingNew;
        // Only a failed pass has a failure.
        std::optional<Failure> failure;
        std::optional<std::string> detail;
        // `passesRecorded` right after this pass was recorded: a later pass has a higher order.
        std::int64_t order = 0;

        bool operator==(const Pass&) const = default;
    };

    // The most "completedAgoSeconds" ever sent: ten years of 365 days.
    static constexpr std::int64_t completedAgoLimit = 315360000;

    std::optional<Pass> live;
    std::optional<Pass> backlog;
    std::int64_t passesRecorded = 0;
    // When the latest pass that ended without an error ended.
    std::optional<Date> lastCompletedAt;

    void finished(Loop loop, std::int64_t handedOver, Date at);
    // `error` is whatever the pass caught; a null pointer counts as an error of no known kind.
    void failed(Loop loop, std::exception_ptr error);
    // Capture was switched off: nothing to report until the next pass, which still gets a
    // higher order than any pass before.
    void stopped();

    std::optional<Stage> stage() const;
    std::optional<Failure> failure() const;
    std::optional<std::string> detail() const;

    // {"stage", "failure", "completedAgoSeconds"}, or nothing before any pass is reported.
    std::optional<Json> wire(Date now) const;
    std::optional<std::string> blockedSentence() const;

    static Failure failureOf(std::exception_ptr error);
    static std::optional<std::string> detailOf(std::exception_ptr error);

    // Each raw value is the case name.
    static std::string_view rawValue(Stage stage);
    static std::string_view rawValue(Failure failure);
    static std::string_view sentence(Failure failure);

    bool operator==(const ChatDatabaseCaptureReport&) const = default;

private:
    // A failure of one loop stays reported while the other loop keeps succeeding.
    const Pass* reported() const;
    std::optional<Pass>& pass(Loop loop);
};

} // namespace tarvo
