#include "TarvoCompanion/Updates/FeedUpdaterController.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <variant>

#include <fmt/format.h>

#include "TarvoBase/Base64.h"
#include "TarvoBase/Ed25519.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/TarvoDate.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Panel/WebAddress.h"

namespace tarvo {

struct FeedUpdaterController::State {
    std::string feedURL;
    std::string encodedKey;
    std::string publicKey;
    std::int64_t currentBuild = 0;
    Services services;
    UpdaterDelegate* delegate = nullptr;

    bool automaticChecks = false;
    bool automaticDownloads = false;
    std::chrono::seconds interval{86400};
    bool started = false;
    bool checking = false;
    Timer nextCheck;
};

namespace {

using Outcome = std::variant<AppcastItem, UpdaterError>;

bool isAbsoluteWebAddress(std::string_view text) {
    const std::optional<WebAddress> address = WebAddress::parse(text);
    return address && (address->scheme == "https" || address->scheme == "http") && address->host &&
           !address->host->empty();
}

// A build is a count: digits as text, as bundles write it, or a whole JSON number.
std::optional<std::int64_t> buildNumber(const Json& value) {
    if (value.is_number_unsigned()) {
        return static_cast<std::int64_t>(std::min<std::uint64_t>(value.get<std::uint64_t>(), INT64_MAX));
    }
    if (!value.is_string()) return std::nullopt;
    const std::string& text = value.get_ref<const std::string&>();
    const bool digits = std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    // Eighteen digits always fit a signed 64-bit count.
    if (text.empty() || text.size() > 18 || !digits) return std::nullopt;
    return std::stoll(text);
}

Outcome judged(const std::string& feed, std::int64_t currentBuild) {
    const UpdaterError unreadable(UpdaterError::feedUnreadable,
                                  "The update feed is not the version and build this companion reads.");
    const std::optional<Json> parsed = JsonReader::parse(feed);
    if (!parsed || !parsed->is_object()) return unreadable;
    const auto version = parsed->find("version");
    const auto build = parsed->find("build");
    if (version == parsed->end() || !version->is_string() || build == parsed->end()) return unreadable;
    const std::optional<std::int64_t> number = buildNumber(*build);
    if (!number) return unreadable;
    if (*number <= currentBuild) {
        return UpdaterError(UpdaterError::noUpdateFound, "This companion is the newest build.");
    }
    return AppcastItem{version->get<std::string>(), std::to_string(*number)};
}

bool signs(const std::string& signatureText, const std::string& feed, const std::string& publicKey) {
    const std::optional<std::string> signature = Base64::decode(Text::trimmingWhitespaceAndNewlines(signatureText));
    return signature && Ed25519::verify(feed, *signature, publicKey);
}

// The feed's bytes, or why they did not come.
Task<std::variant<std::string, UpdaterError>> fetch(std::shared_ptr<HttpTransport> transport, std::string url,
                                                    std::string what) {
    HttpTransport::Request request{.method = "GET", .url = url, .headers = {}, .body = std::nullopt};
    std::optional<HttpTransport::Response> answer;
    std::string failure;
    try {
        answer = co_await transport->perform(std::move(request));
    } catch (const HttpTransport::Failure& error) {
        failure = error.what();
    }
    if (!answer) {
        co_return UpdaterError(UpdaterError::feedUnreachable,
                               fmt::format("The update {} did not come: {}.", what, failure));
    }
    if (answer->status == 404 && what == "signature") {
        co_return UpdaterError(UpdaterError::signatureInvalid, "The update feed carries no signature.");
    }
    if (answer->status < 200 || answer->status > 299) {
        co_return UpdaterError(UpdaterError::feedUnreachable,
                               fmt::format("The update {} was refused with HTTP status {}.", what, answer->status));
    }
    co_return std::move(answer->body);
}

Task<Outcome> checkFeed(std::shared_ptr<HttpTransport> transport, std::string feedURL, std::string publicKey,
                        std::int64_t currentBuild) {
    auto feed = co_await fetch(transport, feedURL, "feed");
    if (auto* failed = std::get_if<UpdaterError>(&feed)) co_return *failed;
    auto signature = co_await fetch(transport, feedURL + ".sig", "signature");
    if (auto* failed = std::get_if<UpdaterError>(&signature)) co_return *failed;
    const std::string& bytes = std::get<std::string>(feed);
    if (!signs(std::get<std::string>(signature), bytes, publicKey)) {
        co_return UpdaterError(UpdaterError::signatureInvalid, "The update feed's signature does not match its key.");
    }
    co_return judged(bytes, currentBuild);
}

} // namespace

FeedUpdaterController::FeedUpdaterController(std::string feedURL, std::string publicKey, std::int64_t currentBuild,
                                             Services services, UpdaterDelegate& delegate)
    : state_(std::make_shared<State>()) {
    state_->feedURL = std::move(feedURL);
    state_->encodedKey = std::move(publicKey);
    state_->currentBuild = currentBuild;
    state_->services = std::move(services);
    state_->delegate = &delegate;
}

FeedUpdaterController::~FeedUpdaterController() {
    state_->nextCheck.invalidate();
    state_->delegate = nullptr;
}

void FeedUpdaterController::setAutomaticallyChecksForUpdates(bool on) {
    state_->automaticChecks = on;
    if (!on) state_->nextCheck.invalidate();
    if (on && state_->started && !state_->checking) scheduleNext(state_);
}

void FeedUpdaterController::setAutomaticallyDownloadsUpdates(bool on) { state_->automaticDownloads = on; }

void FeedUpdaterController::setUpdateCheckInterval(std::chrono::seconds interval) {
    state_->interval = interval;
    if (state_->automaticChecks && state_->started && !state_->checking) scheduleNext(state_);
}

void FeedUpdaterController::start() {
    if (state_->started) return;
    if (!isAbsoluteWebAddress(state_->feedURL)) {
        throw UpdaterError(UpdaterError::invalidFeedAddress,
                           "The update feed address \"" + state_->feedURL + "\" is not an absolute web address.");
    }
    const std::optional<std::string> key = Base64::decode(state_->encodedKey);
    if (!key || key->size() != Ed25519::publicKeySize) {
        throw UpdaterError(UpdaterError::invalidPublicKey,
                           "The update key is not the base64 of a 32-byte Ed25519 public key.");
    }
    state_->publicKey = *key;
    state_->started = true;
    if (state_->automaticChecks) scheduleNext(state_);
}

void FeedUpdaterController::checkForUpdates() {
    if (!state_->started) {
        if (state_->delegate) {
            state_->delegate->didAbortWithError(
                UpdaterError(UpdaterError::notStarted, "The updater did not start, so it did not check."));
        }
        return;
    }
    if (state_->checking) return;
    state_->nextCheck.invalidate();
    state_->checking = true;
    spawn(check(state_));
}

// One interval after the last check; at once when none is known, and never later than one
// interval from now, whatever the stored date says.
void FeedUpdaterController::scheduleNext(const std::shared_ptr<State>& state) {
    state->nextCheck.invalidate();
    RunLoop& loop = RunLoop::current();
    const Clock::Date now = loop.clock().date();
    Clock::Duration delay{};
    const std::optional<Json> stored = state->services.settings->object(lastCheckKey);
    const auto last = stored && stored->is_string() ? TarvoDate::parse(stored->get<std::string>()) : std::nullopt;
    if (last) {
        const Clock::Duration interval = state->interval;
        delay = std::clamp<Clock::Duration>(*last + interval - now, Clock::Duration::zero(), interval);
    }
    std::weak_ptr<State> weak = state;
    state->nextCheck = loop.schedule(delay, [weak] {
        const std::shared_ptr<State> alive = weak.lock();
        if (!alive || alive->checking) return;
        alive->checking = true;
        spawn(check(weak));
    });
}

Task<void> FeedUpdaterController::check(std::weak_ptr<State> weak) {
    std::shared_ptr<State> state = weak.lock();
    if (!state) co_return;
    std::shared_ptr<HttpTransport> transport = state->services.transport;
    std::string feedURL = state->feedURL;
    std::string publicKey = state->publicKey;
    const std::int64_t currentBuild = state->currentBuild;
    state.reset();

    const Outcome outcome = co_await checkFeed(transport, feedURL, publicKey, currentBuild);

    state = weak.lock();
    if (!state) co_return;
    state->checking = false;
    state->services.settings->set(Json(TarvoDate::format(RunLoop::current().clock().date())), lastCheckKey);
    if (state->automaticChecks) scheduleNext(state);
    if (!state->delegate) co_return;
    if (const auto* item = std::get_if<AppcastItem>(&outcome)) {
        state->delegate->didFindValidUpdate(*item);
    } else {
        state->delegate->didAbortWithError(std::get<UpdaterError>(outcome));
    }
}

} // namespace tarvo
