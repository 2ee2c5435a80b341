#include <algorithm>
#include <exception>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "TarvoBase/JsonReadError.h"
#include "TarvoBase/OnWorker.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoBase/ErrorText.h"

namespace tarvo {
namespace {

using Date = ChatDatabase::Date;
using Loop = ChatDatabaseCaptureReport::Loop;

std::string describe(const std::exception_ptr& error) { return errorText(error, "an error of no known kind"); }

std::vector<OutgoingAttachment> described(const std::vector<ChatDatabase::Attachment>& files) {
    std::vector<OutgoingAttachment> attachments;
    attachments.reserve(files.size());
    for (const ChatDatabase::Attachment& file : files) {
        attachments.push_back({.externalId = file.guid,
                               .filename = file.filename,
                               .mimeType = file.mimeType,
                               .sizeBytes = file.sizeBytes,
                               .providerHint = file.providerHint,
                               .sensitive = file.sensitive,
                               .ephemeral = false,
                               .durationSeconds = std::nullopt});
    }
    return attachments;
}

// The date with its UTC offset, as the summary line shows where the pass began.
std::string dateText(Date date) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(date);
    const auto day = std::chrono::floor<std::chrono::days>(seconds);
    const std::chrono::year_month_day ymd(day);
    const std::chrono::hh_mm_ss time(seconds - day);
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02} +0000", static_cast<int>(ymd.year()),
                       static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), time.hours().count(),
                       time.minutes().count(), time.seconds().count());
}

// Every row from `start` on, a page at a time: a span busier than one page would otherwise
// always give its oldest rows, and the newest would wait for the full pass.
ChatDatabase::MessageBatch wholeSpan(const ChatDatabase& database, Date start) {
    ChatDatabase::MessageBatch batch = database.messages(start, Companion::captureReadLimit);
    int scanned = static_cast<int>(batch.messages.size()) + batch.skippedWithoutText;
    while (scanned == Companion::captureReadLimit) {
        ChatDatabase::MessageBatch page = database.messages(start, Companion::captureReadLimit, batch.scannedThrough);
        scanned = static_cast<int>(page.messages.size()) + page.skippedWithoutText;
        std::move(page.messages.begin(), page.messages.end(), std::back_inserter(batch.messages));
        batch.skippedWithoutText += page.skippedWithoutText;
        if (!batch.attachmentsUnavailable) batch.attachmentsUnavailable = std::move(page.attachmentsUnavailable);
        if (page.scannedThrough) batch.scannedThrough = page.scannedThrough;
    }
    return batch;
}

} // namespace

CaptureCursor Companion::restoredCursor(const SettingsStore& defaults, CaptureCursor::Date now) {
    if (const auto stored = defaults.object(captureCursorKey)) {
        try {
            return CaptureCursor::fromJson(*stored);
        } catch (const JsonReadError&) {
            PlainLog::write("tarvo: the stored capture cursor could not be read — capture starts " +
                            std::to_string(captureCursorDays) + " days back");
        }
    }
    return CaptureCursor::initial(now, captureCursorDays);
}

// Written only when it moved: every write rewrites the settings file.
void Companion::storeCursor() {
    Json coded = cursor_.toJson();
    if (defaults_->object(captureCursorKey) != coded) defaults_->set(std::move(coded), captureCursorKey);
}

std::optional<std::string> Companion::smsChannelId() const {
    if (!settings_.smsChannelId || settings_.smsChannelId->empty()) return std::nullopt;
    return settings_.smsChannelId;
}

void Companion::publishBlockedReason() {
    std::optional<std::string> reason = chatDbReport_.blockedSentence();
    if (reason != state_.chatDbBlockedReason) state_.chatDbBlockedReason = std::move(reason);
}

Task<std::vector<AttachmentDecision>> Companion::handOver(std::shared_ptr<BrainClient> client, std::string channelId,
                                                          ChatDatabase::Message row, Loop loop) {
    std::optional<std::string> senderName;
    if (row.handle) senderName = contacts_.name(*row.handle);
    // The message id keeps the claim for a retried hand-over, so the same row always goes out
    // with the same mark.
    const bool sentViaTarvo = row.isFromMe && relaySends_.claim(row.chatIdentifier, row.text, row.date, row.guid);
    if (sentViaTarvo && loop == Loop::backlog) {
        PlainLog::write("tarvo: capture recognised its own send in " + row.chatIdentifier);
    }
    std::vector<AttachmentDecision> decisions = co_await client->ingest(
        std::move(channelId), row.chatIdentifier, row.guid, row.isFromMe ? "outbound" : "inbound", row.text, row.date,
        row.handle, std::nullopt, std::move(senderName), row.isGroup ? "group" : "direct", std::nullopt,
        sentViaTarvo, described(row.attachments));
    co_return decisions;
}

Task<void> Companion::captureRecentFirst(std::shared_ptr<BrainClient> client, std::string channelId) {
    const Date now = loop_.clock().date();
    const LiveWindow window = cursor_.liveWindow(now, liveSpan);
    // The whole span is read whatever the cursor, so that a row stored late under an older date
    // (a message synced from another device, a delayed SMS) still arrives; `liveSent` keeps the
    // overlap from being handed over twice.
    const Date start = now - liveSpan;
    forgetHandedOver(start);
    auto read = [database = database_, start] { return wholeSpan(database, start); };
    ChatDatabase::MessageBatch batch;
    try {
        batch = co_await onWorker(read);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        PlainLog::write("tarvo: live pass failed: " + describe(error));
        chatDbReport_.failed(Loop::live, error);
        publishBlockedReason();
        co_return;
    }
    if (batch.messages.empty()) {
        chatDbReport_.finished(Loop::live, 0, loop_.clock().date());
        publishBlockedReason();
        co_return;
    }

    co_await contacts_.requestAccessIfNeeded();
    const auto deadline = loop_.clock().now() + passBudget;
    std::int64_t sent = 0;
    std::int64_t alreadySent = 0;
    std::int64_t failed = 0;
    std::exception_ptr lastError;
    AttachmentOutcome files;
    for (const ChatDatabase::Message& row : batch.messages) {
        if (handedOver_.contains(row.guid)) {
            ++alreadySent;
            continue;
        }
        // The rest waits for the next pass, a few seconds away; nothing was recorded for it.
        if (loop_.clock().now() >= deadline) break;
        const std::optional<std::string> sms = smsChannelId();
        if (row.isSMS && !sms) continue;
        std::vector<AttachmentDecision> decisions;
        try {
            decisions = co_await handOver(client, row.isSMS ? *sms : channelId, row, Loop::live);
        } catch (...) {
            lastError = std::current_exception();
            ++failed;
            continue;
        }
        ++sent;
        handedOver_.record(row.guid, row.date);
        if (!decisions.empty()) files += co_await deliverAttachments(client, row, std::move(decisions));
        // After a failure the cursor stays, so that the full pass reads the failed row again.
        if (window.mayAdvanceCursor && !lastError) cursor_.advance(row.date, cursorOverlap);
    }
    storeCursor();

    if (lastError) {
        PlainLog::write(fmt::format("tarvo: live ingest failed for {} message(s), the last because: {}", failed,
                                    describe(lastError)));
        chatDbReport_.failed(Loop::live, lastError);
    } else {
        chatDbReport_.finished(Loop::live, sent, loop_.clock().date());
    }
    publishBlockedReason();

    if (sent == 0 && !batch.attachmentsUnavailable) co_return;
    std::string line = fmt::format("tarvo: live pass sent {} of {} recent message(s)", sent, batch.messages.size());
    if (alreadySent >= 1) line += fmt::format(", {} already sent", alreadySent);
    PlainLog::write(line + ", " + attachmentLine(files) + contacts_.drainCoverage());
    if (batch.attachmentsUnavailable) {
        PlainLog::write("tarvo: live pass could not read attachments at all — " + *batch.attachmentsUnavailable);
    }
}

Task<void> Companion::capture() {
    if (!state_.canReadMessages) {
        stopCapture("this Mac cannot read Messages");
        co_return;
    }
    std::shared_ptr<BrainClient> client = this->client();
    if (!client) {
        stopCapture("not signed in");
        co_return;
    }
    if (!settings_.imessageChannelId || settings_.imessageChannelId->empty()) {
        stopCapture("no iMessage channel id yet");
        co_return;
    }
    captureSkipLine_.reset();
    const std::string channelId = *settings_.imessageChannelId;
    co_await captureRecentFirst(client, channelId);
    co_await captureBacklog(client, channelId);
    co_await captureMessageEvents(client, channelId);
}

void Companion::stopCapture(std::string_view why) {
    if (const std::string line = "tarvo: capture skipped — " + std::string(why); captureSkipLine_.isNew(line)) {
        PlainLog::write(line);
    }
    chatDbReport_.stopped();
    publishBlockedReason();
}

Task<void> Companion::captureBacklog(std::shared_ptr<BrainClient> client, std::string channelId) {
    const Date since = cursor_.lastMessageDate;
    const std::optional<ChatDatabase::ScanPosition> pastRow = backlogPastRow_;
    auto read = [database = database_, since, pastRow] { return database.messages(since, captureReadLimit, pastRow); };
    ChatDatabase::MessageBatch batch;
    try {
        batch = co_await onWorker(read);
    } catch (...) {
        backlogFailed(std::current_exception());
        co_return;
    }
    state_.skippedWithoutText = batch.skippedWithoutText;
    if (!batch.messages.empty()) co_await contacts_.requestAccessIfNeeded();

    const auto deadline = loop_.clock().now() + backlogBudget;
    std::int64_t dropped = 0;
    std::int64_t alreadySent = 0;
    std::int64_t handed = 0;
    bool cutShort = false;
    AttachmentOutcome files;
    for (const ChatDatabase::Message& row : batch.messages) {
        // A page of a backlog takes a while; the live pass's turn is not left for after it.
        if (std::exchange(liveRequested_, false)) co_await captureRecentFirst(client, channelId);
        if (handedOver_.contains(row.guid)) {
            ++alreadySent;
            continue;
        }
        // The rest of the page waits for the next tick, so that this tick ends before the next
        // heartbeat is due. One row at least goes, so a slow service
        // still sees the backlog move.
        if (handed > 0 && loop_.clock().now() >= deadline) {
            cutShort = true;
            break;
        }
        const std::optional<std::string> sms = smsChannelId();
        if (row.isSMS && !sms) {
            ++dropped;
            continue;
        }
        std::vector<AttachmentDecision> decisions;
        try {
            decisions = co_await handOver(client, row.isSMS ? *sms : channelId, row, Loop::backlog);
        } catch (...) {
            backlogFailed(std::current_exception());
            co_return;
        }
        handedOver_.record(row.guid, row.date);
        ++handed;
        if (!decisions.empty()) files += co_await deliverAttachments(client, row, std::move(decisions));
        cursor_.advance(row.date, cursorOverlap);
    }
    // A page cut short is read again from where it began; what went is known and goes no more.
    if (!cutShort) passBacklogPage(batch);
    storeCursor();

    const auto count = static_cast<std::int64_t>(batch.messages.size());
    std::string line = fmt::format("tarvo: capture read {} message(s) since {}, skipped {} without text or files",
                                   count, dateText(since), batch.skippedWithoutText);
    if (alreadySent > 0) line += fmt::format(", {} already sent", alreadySent);
    if (cutShort) line += fmt::format(", {} left for the next tick", count - handed - dropped - alreadySent);
    if (dropped > 0) line += fmt::format(", DROPPED {} SMS because the SMS channel is not connected", dropped);
    PlainLog::write(line + ", " + attachmentLine(files) + contacts_.drainCoverage());
    if (batch.attachmentsUnavailable) {
        PlainLog::write("tarvo: capture could not read attachments at all — " + *batch.attachmentsUnavailable);
    }
    const Date now = loop_.clock().date();
    if (count > 0) state_.lastCaptureAt = now;
    chatDbReport_.finished(Loop::backlog, handed, now);
    publishBlockedReason();
}

// Every row of the page was handed over or left out for good, so the cursor passes the last
// row looked at even when no message came of it. After a full page the next reading goes on
// right after that row: a page whose rows all share a few seconds can then neither hold the pass
// in place nor be read again. After a page that reached the newest row, the next reading goes
// back over the overlap behind the cursor, for rows written late under an older date; what was
// handed over is known, so that costs a reading and sends nothing twice.
void Companion::passBacklogPage(const ChatDatabase::MessageBatch& page) {
    backlogPastRow_ = std::nullopt;
    if (!page.scannedThrough) return;
    cursor_.advance(ChatDatabase::appleTimeToDate(page.scannedThrough->date), cursorOverlap);
    const auto scanned = static_cast<int>(page.messages.size()) + page.skippedWithoutText;
    if (scanned >= captureReadLimit) backlogPastRow_ = page.scannedThrough;
}

// Kept while either pass may read the row again: the live pass reads the last hour, the full
// pass from the cursor less its overlap.
void Companion::forgetHandedOver(Date liveStart) {
    handedOver_.forget(std::min(liveStart, cursor_.lastMessageDate - cursorOverlap));
}

void Companion::backlogFailed(std::exception_ptr error) {
    note(error, "capture");
    chatDbReport_.failed(Loop::backlog, error);
    publishBlockedReason();
    storeCursor();
}

} // namespace tarvo
