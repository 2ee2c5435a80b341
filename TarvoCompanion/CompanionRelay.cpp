#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include <fmt/format.h>

#include "TarvoBase/OnWorker.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoCore/Companion/TarvoLog.h"
#include "TarvoBase/Text.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCore/Relay/RelayFailureSentence.h"
#include "TarvoCore/Relay/RelayFileFailure.h"
#include "TarvoCore/Relay/RelaySendConfirmation.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo {
namespace {

using Date = std::chrono::system_clock::time_point;
using Verdict = RelaySendVerdict;

constexpr std::int64_t claimLimit = 3;
constexpr std::string_view whatsappKind = "whatsapp";
constexpr std::string_view claimFailureLabel = "claiming relay jobs";
constexpr std::string_view whatsappFallbackReason = "WhatsApp Web did not send it.";

// The confirmation's whole wait, in whole seconds.
long long confirmationWindow() {
    RelaySendConfirmation::Seconds total{0};
    for (const auto delay : RelaySendConfirmation::attemptDelays) total += delay;
    return static_cast<long long>(total.count());
}

bool isBlank(std::string_view body) { return Text::trimmingWhitespaceAndNewlines(body).empty(); }

const char* outcomeWord(const RelayJobReport& report) { return report.ok ? "sent" : "failed"; }

// What the service hears of a job whose hand-over began in a program that then ended: it may
// have gone or not, and only the person can look.
RelayJobReport interrupted(std::string_view app) {
    return RelayJobReport::failed(fmt::format("Tarvo stopped on this Mac while it was sending this. Check {} to see "
                                              "whether it went before sending it again.",
                                              app));
}

// What the service hears of a job claimed by a program that ended before it began to send it.
RelayJobReport neverStarted() {
    return RelayJobReport::failed(
        "Tarvo stopped on this Mac before it began sending this, so nothing went out. Send it again if it should go.");
}

// The service has judged the report and would refuse it again: it does not hold the job as
// this computer's, or will not take the report as it is.
bool refusedForGood(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const BrainClient::Failure& failure) {
        const int status = failure.status();
        return failure.kind() == BrainClient::Failure::Kind::http && status >= 400 && status < 500 &&
               status != 401 && status != 408 && status != 429;
    } catch (...) {
        return false;
    }
}

// Runs one step of getting file `index` of `total`, turning its failure into the job's.
template <class T>
Task<T> fileStep(Task<T> step, int index, int total) {
    try {
        co_return co_await std::move(step);
    } catch (...) {
        throw RelayFileFailure(index, total, RelayFailureSentence::cause(std::current_exception()));
    }
}

Task<std::string> fetchAndStage(std::shared_ptr<BrainClient> client, OutgoingFiles outgoing, std::string jobId,
                                std::string attachmentId, int index) {
    const BrainClient::AttachmentBytes fetched = co_await client->relayAttachmentBytes(jobId, attachmentId);
    const BrainClient::AttachmentBytes* bytes = &fetched;
    const OutgoingFiles* files = &outgoing;
    const std::string* job = &jobId;
    auto stage = [files, job, index, bytes] { return files->stage(*job, index, bytes->filename, bytes->data).string(); };
    co_return co_await onWorker(stage);
}

// The files a send that stopped at `stage` had handed to Messages before it stopped.
std::size_t filesHandedOver(const MessagesSender::Stage& stage, std::size_t files) {
    if (stage.kind() == MessagesSender::Stage::Kind::words) return files;
    return static_cast<std::size_t>(std::max(stage.index() - 1, 0));
}

// The log line and the report for what the Messages database showed of a send.
RelayJobReport confirmedReport(const std::string& jobId, const RelaySendVerdict& verdict) {
    const long long window = confirmationWindow();
    if (const auto* refused = std::get_if<Verdict::Refused>(&verdict.value())) {
        PlainLog::write(fmt::format("tarvo: relay: job {} was REFUSED by Messages — {} of {} part(s), error {}", jobId,
                                    refused->failedParts, refused->parts, fmt::join(refused->codes, ", ")));
        return RelayJobReport::failed(
            RelaySendConfirmation::refusalSentence(refused->codes, refused->failedParts, refused->parts));
    }
    if (const auto* unsettled = std::get_if<Verdict::NotYetSettled>(&verdict.value())) {
        if (unsettled->seen < unsettled->expected) {
            PlainLog::write(fmt::format("tarvo: relay: job {} DID NOT FULLY SEND — Messages wrote {} of {} expected "
                                        "row(s) within {}s",
                                        jobId, unsettled->seen, unsettled->expected, window));
            return RelayJobReport::failed(fmt::format(
                "Messages sent {} of {} parts of this message and never wrote the rest. Open the conversation in "
                "Messages to see what arrived, and send the missing part again.",
                unsettled->seen, unsettled->expected));
        }
        PlainLog::write(fmt::format("tarvo: relay: job {} reported sent WITHOUT CONFIRMATION — Messages had written {} "
                                    "of {} row(s) and marked none of them sent or failed within {}s",
                                    jobId, unsettled->seen, unsettled->expected, window));
        return RelayJobReport::sent();
    }
    if (const auto* never = std::get_if<Verdict::NeverWritten>(&verdict.value())) {
        PlainLog::write(fmt::format("tarvo: relay: job {} DID NOT SEND — Messages wrote none of {} expected row(s); "
                                    "the conversation could not be addressed",
                                    jobId, never->expected));
        return RelayJobReport::failed("Messages did not record this message, so it was not sent. Open the "
                                      "conversation in Messages and try again.");
    }
    if (const auto* unobservable = std::get_if<Verdict::Unobservable>(&verdict.value())) {
        PlainLog::write(fmt::format("tarvo: relay: job {} reported sent, delivery NOT observable here — {}", jobId,
                                    unobservable->reason));
    }
    return RelayJobReport::sent();
}

} // namespace

Task<void> Companion::runRelayJobs() {
    // A run may outlast every other holder of the companion; what it began, it ends.
    const std::shared_ptr<Companion> self = shared_from_this();
    const std::shared_ptr<BrainClient> client = this->client();
    if (!client) co_return;
    co_await retryKeptReports(client);
    if (state_.advertisableChannels().empty()) co_return;

    const int removed = outgoing_.sweep(OutgoingFiles::retention, loop_.clock().date());
    if (removed > 0) PlainLog::write(fmt::format("tarvo: relay: removed {} staged outgoing file(s)", removed));

    std::vector<RelayJob> jobs;
    std::exception_ptr claimFailure;
    try {
        jobs = co_await client->claimJobs(claimLimit);
    } catch (...) {
        claimFailure = std::current_exception();
    }
    if (claimFailure) {
        note(claimFailure, claimFailureLabel);
        co_return;
    }
    // Every job claimed is answered for from the claim on: a program that ends before it reaches
    // a job leaves a report saying nothing went out, never an unanswered job.
    std::vector<std::optional<RelayReportOutbox::Entry>> kept;
    for (const RelayJob& job : jobs) {
        kept.push_back(relayOutbox_.find(job.id));
        if (!kept.back()) relayOutbox_.keep(job.id, neverStarted(), loop_.clock().date());
    }
    for (std::size_t index = 0; index < jobs.size(); ++index) {
        co_await relayJob(std::move(jobs[index]), client, std::move(kept[index]));
    }
}

Task<void> Companion::retryKeptReports(std::shared_ptr<BrainClient> client) {
    for (const RelayReportOutbox::Entry& expired : relayOutbox_.expire(loop_.clock().date())) {
        if (!expired.retrying) continue;
        PlainLog::write(fmt::format("tarvo: relay: job {} result ({}) was never reported and is given up after a week",
                                    expired.jobId, outcomeWord(expired.report)));
    }
    // One attempt each per run: runs come every few seconds, and a service that is down should
    // not hold the claim back.
    for (const RelayReportOutbox::Entry& entry : relayOutbox_.entries()) {
        if (!entry.retrying) continue;
        std::exception_ptr failure;
        try {
            co_await client->reportJob(entry.jobId, entry.report.ok, entry.report.failureReason, std::nullopt);
        } catch (...) {
            failure = std::current_exception();
        }
        if (!failure) {
            PlainLog::write(fmt::format("tarvo: relay: job {} result ({}) reported from the outbox", entry.jobId,
                                        outcomeWord(entry.report)));
            relayOutbox_.setRetrying(entry.jobId, false);
        } else if (refusedForGood(failure)) {
            PlainLog::write(fmt::format("tarvo: relay: job {} result ({}) refused by the brain — {}. Kept only to "
                                        "answer for the job if it is handed out again.",
                                        entry.jobId, outcomeWord(entry.report),
                                        RelayFailureSentence::diagnostic(failure)));
            relayOutbox_.setRetrying(entry.jobId, false);
        }
    }
}

Task<void> Companion::relayJob(RelayJob job, std::shared_ptr<BrainClient> client,
                               std::optional<RelayReportOutbox::Entry> kept) {
    if (kept) {
        PlainLog::write(fmt::format("tarvo: relay: job {} was handed out again — reporting its kept result ({}) "
                                    "instead of sending it a second time",
                                    job.id, outcomeWord(kept->report)));
        const RelayJobReporting::Delivery delivery = co_await report(kept->report, job.id, client);
        relayOutbox_.setRetrying(job.id, !std::holds_alternative<RelayJobReporting::Reported>(delivery));
        co_return;
    }

    std::optional<RelayJobReport> outcome;
    std::exception_ptr failure;
    try {
        if (job.channelKind == whatsappKind) {
            outcome = co_await relayThroughWhatsApp(job, client);
        } else {
            outcome = co_await relayThroughMessages(job, client);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        TarvoLog::relayJobFailed(job.id, RelayFailureSentence::diagnostic(failure));
        // The service hears the card's sentence; the log says what failed on this computer.
        if (!BrainClientFailure::held(failure)) {
            try {
                std::rethrow_exception(failure);
            } catch (const std::exception& cause) {
                PlainLog::error(fmt::format("tarvo: relay job {} failed on this computer: {}", job.id, cause.what()));
            } catch (...) {
            }
        }
        outcome = RelayJobReport::failed(RelayFailureSentence::card(failure));
    }
    co_await reportKeeping(std::move(*outcome), job.id, client);
}

Task<RelayJobReport> Companion::relayThroughWhatsApp(RelayJob job, std::shared_ptr<BrainClient> client) {
    const std::vector<RelayAttachment> attachments = job.files();
    for (const RelayAttachment& attachment : attachments) {
        std::optional<std::string> refusal =
            WhatsAppWeb::outgoingMediaRefusal(attachment.sizeBytes, attachment.mimeType);
        if (refusal) co_return RelayJobReport::failed(std::move(*refusal));
    }

    const int total = static_cast<int>(attachments.size());
    std::vector<WhatsAppWeb::OutgoingFile> files;
    for (int index = 1; index <= total; ++index) {
        const RelayAttachment& attachment = attachments[static_cast<std::size_t>(index - 1)];
        Task<BrainClient::AttachmentBytes> fetch =
            fileStep(client->relayAttachmentBytes(job.id, attachment.id), index, total);
        BrainClient::AttachmentBytes fetched = co_await std::move(fetch);
        files.push_back({attachment.id, std::move(fetched.filename), attachment.mimeType, std::move(fetched.data)});
    }
    const std::size_t fileCount = files.size();
    if (fileCount > 0) {
        PlainLog::write(fmt::format("tarvo: relay: sending {} file(s) to whatsapp with job {}", fileCount, job.id));
    }

    relayOutbox_.keep(job.id, interrupted("WhatsApp"), loop_.clock().date());
    const WhatsAppWeb::SendOutcome outcome =
        co_await whatsapp_->send(job.conversationRef, job.body, std::move(files), job.conversationName);
    if (!outcome.ok) co_return RelayJobReport::failed(outcome.reason.value_or(std::string(whatsappFallbackReason)));

    recordFileSends(job.conversationRef, fileCount);
    if (!isBlank(job.body)) relaySends_.record(job.conversationRef, job.body, loop_.clock().date());
    co_return RelayJobReport::sent();
}

Task<RelayJobReport> Companion::relayThroughMessages(RelayJob job, std::shared_ptr<BrainClient> client) {
    const std::vector<RelayAttachment> attachments = job.files();
    const int total = static_cast<int>(attachments.size());
    std::vector<std::string> paths;
    for (int index = 1; index <= total; ++index) {
        const RelayAttachment& attachment = attachments[static_cast<std::size_t>(index - 1)];
        Task<std::string> staging =
            fileStep(fetchAndStage(client, outgoing_, job.id, attachment.id, index), index, total);
        paths.push_back(co_await std::move(staging));
    }
    if (!paths.empty()) {
        PlainLog::write(fmt::format("tarvo: relay: sending {} file(s) with job {}", paths.size(), job.id));
    }

    const Date handedOverAt =
        loop_.clock().date() - std::chrono::duration_cast<Date::duration>(RelaySendConfirmation::clockSlack);
    relayOutbox_.keep(job.id, interrupted("Messages"), loop_.clock().date());
    try {
        co_await sender_.sendReply(job.id, job.channelKind, job.conversationRef, job.body, paths, database_);
    } catch (const MessagesSender::StagedFailure& stopped) {
        // The files that went before the failure come back through the capture like any sent
        // file, and are the companion's own.
        recordFileSends(job.conversationRef, filesHandedOver(stopped.stage(), paths.size()));
        throw;
    }

    recordFileSends(job.conversationRef, paths.size());
    // A blank body sent nothing of its own; an entry for it could later claim a message the
    // person typed as one the companion sent.
    if (!isBlank(job.body)) relaySends_.record(job.conversationRef, job.body, loop_.clock().date());

    const int expected = RelaySendConfirmation::expectedRows(total, job.body);
    const RelaySendVerdict verdict = co_await confirmRelayedSend(job.conversationRef, handedOverAt, expected);
    co_return confirmedReport(job.id, verdict);
}

void Companion::recordFileSends(const std::string& conversationRef, std::size_t count) {
    for (std::size_t file = 0; file < count; ++file) relaySends_.record(conversationRef, "", loop_.clock().date());
}

Task<void> Companion::reportKeeping(RelayJobReport report, std::string jobId, std::shared_ptr<BrainClient> client) {
    relayOutbox_.keep(jobId, report, loop_.clock().date());
    const RelayJobReporting::Delivery delivery = co_await this->report(report, jobId, client);
    if (std::holds_alternative<RelayJobReporting::Reported>(delivery)) relayOutbox_.remove(jobId);
}

Task<RelayJobReporting::Delivery> Companion::report(RelayJobReport report, std::string jobId,
                                                    std::shared_ptr<BrainClient> client) {
    return RelayJobReporting::report(std::move(report), std::move(jobId), std::move(client));
}

Task<RelaySendVerdict> Companion::confirmRelayedSend(std::string conversationRef, Date handedOverAt, int expected) {
    auto read = [database = database_](Date at, int limit) { return database.outboundSends(at, limit); };
    return RelaySendConfirmation::confirm(std::move(conversationRef), handedOverAt, expected, read);
}

} // namespace tarvo
