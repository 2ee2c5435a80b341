#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoCompanion/WhatsApp/HostedWhatsAppSession.h"
#include "TarvoCore/WhatsApp/CaptureScript.h"
#include "TarvoCore/WhatsApp/CapturedMessages.h"
#include "TarvoCore/WhatsApp/RowPrints.h"
#include "TarvoCore/WhatsApp/ToPost.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo {
namespace {

using ReadResult = WhatsAppSession::ReadResult;

constexpr std::int64_t sweepRunning = -1;
constexpr std::int64_t sweepDone = 1;

ReadResult nothingRead(std::string note) {
    ReadResult empty;
    empty.note = std::move(note);
    return empty;
}

std::vector<std::string> listedChats(const std::vector<std::string>& prints) {
    std::vector<std::string> keys;
    keys.reserve(prints.size());
    for (const std::string& print : prints) keys.push_back(WhatsAppWeb::chatKey(print));
    return keys;
}

} // namespace

Task<WhatsAppSession::ReadResult> HostedWhatsAppSession::readNew() {
    const SessionState settled = co_await settledState();
    if (settled != SessionState::linked()) {
        co_return nothingRead("nothing was read: WhatsApp Web is " + describe(settled) + " on this Mac");
    }
    std::function<Task<ReadResult>()> job = [self = shared_from_this()] { return self->readHoldingThePage(); };
    ReadResult result = co_await drivingThePage<ReadResult>(std::move(job));
    co_return result;
}

Task<WhatsAppSession::ReadResult> HostedWhatsAppSession::readHoldingThePage() {
    // Only the pass just read may move the baseline on once its messages are posted.
    printsAfterPosting_.reset();
    const std::int64_t cursor = storedInt(captureCursorKey);
    defaults_->set(Json(cursor + 1), captureCursorKey);

    const std::int64_t sweep = storedInt(sweepVersionKey);
    if (sweep == 0) {
        PlainLog::write("tarvo: whatsapp: reading every conversation once, as agreed");
        defaults_->set(Json::array(), rowPrintsKey);
        defaults_->set(Json(sweepRunning), sweepVersionKey);
    }
    WhatsAppWeb::PeekSchedule& schedule = peeks();
    const std::vector<std::string> due = schedule.due(listedChats(storedPrints()), RunLoop::current().clock().date());
    const std::string script = WhatsAppWeb::captureScript(
        chatLimit, messageLimit, bootstrapChats, storedPrints(), sweep <= 0, cursor, WhatsAppWeb::mediaBudgetBytes,
        blankRowRetries_.spent(), due, static_cast<int>(WhatsAppWeb::PeekSchedule::perPass), peekMessageLimit,
        schedule.watching(due));
    const ScriptAnswer reply = co_await evaluateReporting(script, Json::object(), WhatsAppWeb::captureDeadline);
    if (!reply.answer) co_return nothingRead("nothing was read: the capture script did not run — see the line above");
    co_return answered(*reply.answer, sweep);
}

ReadResult HostedWhatsAppSession::answered(const std::string& answer, std::int64_t sweep) {
    const ReadResult result = WhatsAppWeb::readMessages(answer, RunLoop::current().clock().date());
    if (result.stage == WhatsAppWeb::Stage::chatListMissing) {
        forgetSettled("the capture pass found no chat list on the page");
    }
    const std::vector<std::string> known = storedPrints();
    const std::vector<std::string>& prints = result.fingerprints.empty() ? known : result.fingerprints;
    blankRowRetries_.record(result);

    WhatsAppWeb::PeekSchedule& schedule = peeks();
    schedule.record(result, listedChats(prints), RunLoop::current().clock().date());
    storeSchedule();
    peekLine_ = schedule.summary();

    if (sweep <= 0 && !result.fingerprints.empty() && result.changedChats == 0 && result.deferredChats == 0) {
        defaults_->set(Json(sweepDone), sweepVersionKey);
        PlainLog::write("tarvo: whatsapp: every conversation has been read once");
    }
    ReadResult toPost = WhatsAppWeb::toPost(result, sent_, schedule, ingestRetries_);
    if (result.fingerprints.empty()) {
        printsAfterPosting_.reset();
    } else {
        printsAfterPosting_ = result.fingerprints;
        storeGuardedPrints(known, toPost);
    }
    return toPost;
}

// A chat whose messages are still to be posted keeps its old print (or none), so that a program
// that ends before they reach the service finds the chat changed and reads it again.
void HostedWhatsAppSession::storeGuardedPrints(const std::vector<std::string>& known, const ReadResult& toPost) {
    std::set<std::string> owed;
    for (const auto& message : toPost.messages) {
        if (message.chatKey) owed.insert(*message.chatKey);
    }
    std::map<std::string, std::string> before;
    for (const std::string& print : known) before.emplace(WhatsAppWeb::chatKey(print), print);
    Json guarded = Json::array();
    for (const std::string& print : *printsAfterPosting_) {
        const std::string key = WhatsAppWeb::chatKey(print);
        if (!owed.contains(key)) {
            guarded.push_back(print);
        } else if (const auto old = before.find(key); old != before.end()) {
            guarded.push_back(old->second);
        }
    }
    defaults_->set(std::move(guarded), rowPrintsKey);
}

std::set<std::string> HostedWhatsAppSession::reopenNextPass(const IngestPass& pass) {
    std::set<std::string> reopen = pass.chatsToReopen(ingestRetries_);
    const std::optional<std::vector<std::string>> read = std::exchange(printsAfterPosting_, std::nullopt);
    if (read || !reopen.empty()) {
        const std::vector<std::string> baseline = WhatsAppWeb::baseline(read ? *read : storedPrints(), reopen);
        Json stored = Json::array();
        for (const std::string& print : baseline) stored.push_back(print);
        if (defaults_->object(rowPrintsKey) != stored) defaults_->set(std::move(stored), rowPrintsKey);
    }
    const std::set<std::string> peekAgain = pass.chatsToPeekAgain(ingestRetries_);
    WhatsAppWeb::PeekSchedule& schedule = peeks();
    schedule.readAgain(peekAgain);
    schedule.handedOver(pass.posted);
    storeSchedule();
    reopen.insert(peekAgain.begin(), peekAgain.end());
    return reopen;
}

WhatsAppWeb::PeekSchedule& HostedWhatsAppSession::peeks() {
    if (peeks_) return *peeks_;
    std::optional<std::string> stored;
    if (const std::optional<Json> value = defaults_->object(peekScheduleKey); value && value->is_string()) {
        stored = value->get<std::string>();
    }
    peeks_.emplace(stored, WhatsAppWeb::PeekSchedule::currentVersion);
    return *peeks_;
}

void HostedWhatsAppSession::storeSchedule() { defaults_->set(Json(peeks_->stored()), peekScheduleKey); }

// A value of another type than the key's reads as missing, as does an array holding anything but texts.
std::vector<std::string> HostedWhatsAppSession::storedPrints() const {
    const std::optional<Json> value = defaults_->object(rowPrintsKey);
    if (!value || !value->is_array()) return {};
    std::vector<std::string> prints;
    prints.reserve(value->size());
    for (const Json& print : *value) {
        if (!print.is_string()) return {};
        prints.push_back(print.get<std::string>());
    }
    return prints;
}

std::int64_t HostedWhatsAppSession::storedInt(std::string_view key) const {
    const std::optional<Json> value = defaults_->object(key);
    if (!value || !value->is_number_integer()) return 0;
    return value->get<std::int64_t>();
}

} // namespace tarvo
