#include "TarvoCore/Messages/ChatDatabaseCaptureReport.h"

#include <algorithm>

#include "TarvoClient/BrainClientFailure.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseFailure.h"

namespace tarvo {
namespace {

using Failure = ChatDatabaseCaptureReport::Failure;
using Pass = ChatDatabaseCaptureReport::Pass;
using Stage = ChatDatabaseCaptureReport::Stage;

Failure kindOf(const ChatDatabaseFailure& failure) {
    switch (failure.kind()) {
    case ChatDatabaseFailure::Kind::permissionDenied: return Failure::permissionDenied;
    case ChatDatabaseFailure::Kind::notFound: return Failure::notFound;
    case ChatDatabaseFailure::Kind::schemaChanged: return Failure::schemaChanged;
    case ChatDatabaseFailure::Kind::query: return Failure::query;
    }
    return Failure::other;
}

Failure kindOf(const BrainClientFailure& failure) {
    switch (failure.kind()) {
    case BrainClientFailure::Kind::http: return Failure::ingestRefused;
    case BrainClientFailure::Kind::transport: return Failure::brainUnreachable;
    case BrainClientFailure::Kind::decoding: return Failure::unexpectedAnswer;
    case BrainClientFailure::Kind::notSignedIn: return Failure::other;
    }
    return Failure::other;
}

std::optional<std::string> detailOf(const ChatDatabaseFailure& failure) {
    switch (failure.kind()) {
    case ChatDatabaseFailure::Kind::schemaChanged:
    case ChatDatabaseFailure::Kind::query: return failure.text();
    case ChatDatabaseFailure::Kind::permissionDenied:
    case ChatDatabaseFailure::Kind::notFound: break;
    }
    return std::nullopt;
}

std::optional<std::string> detailOf(const BrainClientFailure& failure) {
    switch (failure.kind()) {
    case BrainClientFailure::Kind::http: return std::to_string(failure.status()) + " " + failure.code();
    case BrainClientFailure::Kind::transport:
    case BrainClientFailure::Kind::decoding: return failure.detail();
    case BrainClientFailure::Kind::notSignedIn: break;
    }
    return std::nullopt;
}

// Hands the error to whichever overload knows its type; `unknown` for every other error.
template <class Result, class Classify>
Result classify(std::exception_ptr error, Classify classify, Result unknown) {
    if (!error) return unknown;
    try {
        std::rethrow_exception(error);
    } catch (const ChatDatabaseFailure& failure) {
        return classify(failure);
    } catch (const BrainClientFailure& failure) {
        return classify(failure);
    } catch (...) {
        return unknown;
    }
}

} // namespace

void ChatDatabaseCaptureReport::finished(Loop loop, std::int64_t handedOver, Date at) {
    ++passesRecorded;
    pass(loop) = Pass{handedOver < 1 ? Stage::nothingNew : Stage::read, std::nullopt, std::nullopt, passesRecorded};
    lastCompletedAt = at;
}

void ChatDatabaseCaptureReport::failed(Loop loop, std::exception_ptr error) {
    const Failure kind = failureOf(error);
    auto text = detailOf(error);
    ++passesRecorded;
    pass(loop) = Pass{Stage::failed, kind, std::move(text), passesRecorded};
}

void ChatDatabaseCaptureReport::stopped() {
    live.reset();
    backlog.reset();
}

std::optional<ChatDatabaseCaptureReport::Pass>& ChatDatabaseCaptureReport::pass(Loop loop) {
    return loop == Loop::live ? live : backlog;
}

const ChatDatabaseCaptureReport::Pass* ChatDatabaseCaptureReport::reported() const {
    const std::array<const Pass*, 2> present{live ? &*live : nullptr, backlog ? &*backlog : nullptr};
    const bool anyFailed = std::any_of(present.begin(), present.end(),
                                       [](const Pass* pass) { return pass && pass->stage == Stage::failed; });
    const Pass* answer = nullptr;
    for (const Pass* candidate : present) {
        if (candidate == nullptr || (anyFailed && candidate->stage != Stage::failed)) continue;
        if (answer == nullptr || candidate->order > answer->order) answer = candidate;
    }
    return answer;
}

std::optional<ChatDatabaseCaptureReport::Stage> ChatDatabaseCaptureReport::stage() const {
    if (const Pass* pass = reported()) return pass->stage;
    return std::nullopt;
}

std::optional<ChatDatabaseCaptureReport::Failure> ChatDatabaseCaptureReport::failure() const {
    if (const Pass* pass = reported()) return pass->failure;
    return std::nullopt;
}

std::optional<std::string> ChatDatabaseCaptureReport::detail() const {
    if (const Pass* pass = reported()) return pass->detail;
    return std::nullopt;
}

std::optional<Json> ChatDatabaseCaptureReport::wire(Date now) const {
    const Pass* pass = reported();
    if (pass == nullptr) return std::nullopt;
    Json object = Json::object();
    object["stage"] = std::string(rawValue(pass->stage));
    object["failure"] = pass->failure ? Json(std::string(rawValue(*pass->failure))) : Json(nullptr);
    if (lastCompletedAt) {
        const auto ago = std::chrono::floor<std::chrono::seconds>(now - *lastCompletedAt).count();
        object["completedAgoSeconds"] = std::clamp<std::int64_t>(ago, 0, completedAgoLimit);
    } else {
        object["completedAgoSeconds"] = nullptr;
    }
    return object;
}

std::optional<std::string> ChatDatabaseCaptureReport::blockedSentence() const {
    const Pass* pass = reported();
    if (pass == nullptr || pass->stage != Stage::failed || !pass->failure) return std::nullopt;
    std::string text(sentence(*pass->failure));
    if (pass->detail && !pass->detail->empty()) text += " (" + *pass->detail + ")";
    return text;
}

ChatDatabaseCaptureReport::Failure ChatDatabaseCaptureReport::failureOf(std::exception_ptr error) {
    return classify(error, [](const auto& failure) { return kindOf(failure); }, Failure::other);
}

std::optional<std::string> ChatDatabaseCaptureReport::detailOf(std::exception_ptr error) {
    return classify(
        error, [](const auto& failure) { return tarvo::detailOf(failure); }, std::optional<std::string>());
}

std::string_view ChatDatabaseCaptureReport::rawValue(Stage stage) {
    switch (stage) {
    case Stage::read: return "read";
    case Stage::nothingNew: return "nothingNew";
    case Stage::failed: break;
    }
    return "failed";
}

std::string_view ChatDatabaseCaptureReport::rawValue(Failure failure) {
    switch (failure) {
    case Failure::permissionDenied: return "permissionDenied";
    case Failure::notFound: return "notFound";
    case Failure::schemaChanged: return "schemaChanged";
    case Failure::query: return "query";
    case Failure::ingestRefused: return "ingestRefused";
    case Failure::brainUnreachable: return "brainUnreachable";
    case Failure::unexpectedAnswer: return "unexpectedAnswer";
    case Failure::other: break;
    }
    return "other";
}

std::string_view ChatDatabaseCaptureReport::sentence(Failure failure) {
    switch (failure) {
    case Failure::permissionDenied:
        return "Tarvo could not read Messages: macOS refused access to its database. Tarvo needs Full Disk Access.";
    case Failure::notFound: return "Tarvo could not read Messages: there is no Messages database on this Mac.";
    case Failure::schemaChanged:
        return "Tarvo could not read Messages: its database is in a shape Tarvo does not know.";
    case Failure::query: return "Tarvo could not read Messages: reading its database failed.";
    case Failure::ingestRefused: return "Tarvo read Messages, and Tarvo refused what this Mac handed over.";
    case Failure::brainUnreachable: return "Tarvo read Messages and could not reach Tarvo to hand them over.";
    case Failure::unexpectedAnswer: return "Tarvo read Messages and could not make sense of Tarvo's answer.";
    case Failure::other: break;
    }
    return "Tarvo could not finish reading Messages.";
}

} // namespace tarvo
