#include <algorithm>
#include <chrono>
#include <exception>
#include <string>
#include <utility>
#include <variant>

#include "TarvoBase/InstallId.h"
#include "TarvoBase/OnWorker.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/TarvoDate.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/PercentEscape.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCore/Companion/CompanionVersion.h"
#include "TarvoCore/Operator/MacIdentityWire.h"

namespace tarvo {
namespace {

constexpr const char* expiredSentence = "That code expired before it was approved. Try again.";
constexpr const char* deniedSentence = "That request was refused on the web. Nothing was connected.";
constexpr const char* sessionGoneSentence = "This Mac is signed out of Tarvo. Choose Sign in to reconnect it.";

bool isUnreserved(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

// The approval page with the user code as its only query, so that the page can show it; a
// fragment stays.
std::string approvalAddress(const std::string& verificationUrl, const std::string& userCode) {
    const auto fragment = verificationUrl.find('#');
    std::string address = verificationUrl.substr(0, std::min(verificationUrl.find('?'), fragment));
    address += "?code=";
    for (const unsigned char byte : userCode) {
        if (isUnreserved(byte)) {
            address.push_back(static_cast<char>(byte));
        } else {
            appendPercentEscape(address, byte);
        }
    }
    if (fragment != std::string::npos) address += verificationUrl.substr(fragment);
    return address;
}

std::string approvalLine(const std::string& address, const std::string& userCode) {
    return "approve this computer at " + address + " — the page shows the code " + userCode;
}

std::string escapedForHTML(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&#39;"; break;
        default: escaped.push_back(c);
        }
    }
    return escaped;
}

constexpr const char* signInPageHead = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><meta name="color-scheme" content="dark"><style>
html,body{height:100%;margin:0}
body{display:flex;align-items:center;justify-content:center;background:#141414;color:#f5f5f5;font:14px -apple-system,BlinkMacSystemFont,system-ui,sans-serif}
.card{max-width:26rem;margin:0 auto;text-align:center;padding:2rem}
.title{font-size:17px;font-weight:600;margin-bottom:.6rem}
.note{color:#b8b8b8;line-height:1.6;margin:0 0 1.5rem}
.note.above-code{margin-bottom:1.25rem}
.button{display:inline-block;padding:.6rem 1.4rem;border-radius:8px;background:#f5f5f5;color:#141414;font-weight:600;text-decoration:none;transition:background .12s,transform .12s}
.button:hover{background:#fff;transform:translateY(-1px)}
.button:active{background:#dcdcdc;transform:none}
.code{font:600 22px ui-monospace,SFMono-Regular,Menlo,monospace;letter-spacing:.22em;padding:.7rem 1rem;border:1px solid #333;border-radius:8px}
.waiting{color:#8f8f8f;font-size:13px;margin-top:1.1rem}
.dot{display:inline-block;width:7px;height:7px;border-radius:50%;background:#8f8f8f;margin-right:.5rem;vertical-align:middle}
@media (prefers-reduced-motion:no-preference){
.card{animation:rise .28s cubic-bezier(.2,.7,.3,1)}
.dot{animation:pulse 1.4s ease-in-out infinite}
@keyframes rise{from{opacity:0;transform:translateY(6px)}to{opacity:1;transform:none}}
@keyframes pulse{0%,100%{opacity:.35}50%{opacity:1}}
}
</style></head><body><div class="card"><div class="title">This Mac needs to sign in again</div>
)";

constexpr const char* signInPageWithoutCode = R"(<p class="note">Your setup is still complete and iMessage keeps being read. Only the sign-in for
this window expired.</p><a class="button" href="tarvo-panel:signin">Sign in</a>
)";

constexpr const char* signInPageTail = "</div></body></html>\n";

} // namespace

std::shared_ptr<BrainClient> Companion::client() {
    if (!settings_.credentials || !state_.signIn.isSignedIn()) return nullptr;
    if (brain_) return brain_;
    // The client's renewal resumes on the main loop, so the new pair is stored right here,
    // before anything awaiting the renewal resumes: a program that ends after that, however it
    // ends, starts again with the pair the service now expects.
    auto onTokens = [companion = weak_from_this(), generation = clientGeneration_](const std::string& accessToken,
                                                                                   const std::string& refreshToken) {
        if (const auto self = companion.lock()) self->keepRenewedTokens(generation, accessToken, refreshToken);
    };
    brain_ = std::make_shared<BrainClient>(settings_.apiURL, CompanionVersion::identity(), settings_.credentials,
                                           session_, std::move(onTokens));
    return brain_;
}

void Companion::keepRenewedTokens(std::uint64_t generation, const std::string& accessToken,
                                  const std::string& refreshToken) {
    if (generation != clientGeneration_ || !settings_.credentials) return;
    storeTokens(accessToken, refreshToken);
    PlainLog::write("tarvo: rotated this Mac's session tokens");
    settings_.credentials->accessToken = accessToken;
    settings_.credentials->refreshToken = refreshToken;
}

void Companion::storeTokens(const std::string& accessToken, const std::string& refreshToken) {
    secrets_->write({{std::string(accessTokenAccount), accessToken}, {std::string(refreshTokenAccount), refreshToken}});
}

void Companion::dropClient() {
    brain_.reset();
    ++clientGeneration_;
}

void Companion::readStoredCredentials() {
    const auto deviceId = defaults_->object(deviceIdKey);
    if (!deviceId || !deviceId->is_string()) {
        beginSignIn();
        return;
    }
    spawn(credentialsFromStore(weak_from_this(), secrets_, deviceId->get<std::string>()));
}

Task<void> Companion::credentialsFromStore(std::weak_ptr<Companion> companion, std::shared_ptr<SecretStore> secrets,
                                           std::string deviceId) {
    auto read = [secrets] {
        return std::pair{secrets->read(std::string(accessTokenAccount)), secrets->read(std::string(refreshTokenAccount))};
    };
    const auto tokens = co_await onWorker(read);
    const auto self = companion.lock();
    if (!self) co_return;
    if (!tokens.first || !tokens.second) {
        self->beginSignIn();
        co_return;
    }
    self->settings_.credentials = BrainClient::Credentials{*tokens.first, *tokens.second, std::move(deviceId)};
    self->state_.signIn = CompanionState::SignIn::signedIn("");
}

void Companion::beginSignIn() { spawn(whileAlive(weak_from_this(), &Companion::pair)); }

void Companion::signInFromPanel() {
    if (pairingInProgress_) {
        PlainLog::write("tarvo: pairing already running — ignoring a second panel sign-in press");
        return;
    }
    pairingInProgress_ = true;
    spawn(whileAlive(weak_from_this(), &Companion::pairFromPanel));
}

Task<void> Companion::pairFromPanel() {
    co_await pair();
    if (panelShowingSignIn_) {
        if (state_.signIn.isSignedIn()) {
            PlainLog::write("tarvo: pairing from the panel succeeded — reloading the panel");
            panelShowingSignIn_ = false;
            openPanelWindow("/app");
        } else {
            showPanelSignIn();
        }
    }
    pairingInProgress_ = false;
}

void Companion::showPanelSignIn() {
    if (!panelWebView_) return;
    panelShowingSignIn_ = true;
    panelWebView_->loadHTML(signInPage(pairingCode_));
}

std::string Companion::signInPage(const std::optional<std::string>& code) {
    std::string page = signInPageHead;
    if (code) {
        page += R"(<p class="note above-code">Approve this Mac in the browser window that just opened. Check it shows this code:</p>)";
        page += "<div class=\"code\">" + escapedForHTML(*code) + "</div>";
        page += R"(<div class="waiting"><span class="dot"></span>Waiting for you to approve it…</div>)";
        page += "\n";
    } else {
        page += signInPageWithoutCode;
    }
    return page + signInPageTail;
}

void Companion::pairOnRequest(std::function<void(std::string)> reply) {
    if (pairing_ && pairingCode_ && pairingAddress_) {
        reply(approvalLine(*pairingAddress_, *pairingCode_));
        return;
    }
    pairingBegunListeners_.push_back(std::move(reply));
    if (!pairing_) beginSignIn();
}

Task<void> Companion::pair() {
    const std::uint64_t attempt = ++pairingAttempts_;
    signInRetryAt_.reset();
    pairing_ = true;
    try {
        co_await pairOrThrow();
    } catch (const PairingClientFailure& failure) {
        const bool unreachable = failure.kind() == PairingClientFailure::Kind::transport;
        if (unreachable) signInRetryAt_ = loop_.clock().date() + signInRetryDelay_;
        endPairing(failure.description());
        if (unreachable) {
            spawn(retrySignIn(weak_from_this(), attempt, signInRetryDelay_));
            signInRetryDelay_ = std::min(signInRetryDelay_ * 2, lastSignInRetry);
        }
    } catch (const std::exception& failure) {
        endPairing(failure.what());
    }
    if (attempt == pairingAttempts_) pairing_ = false;
}

Task<void> Companion::retrySignIn(std::weak_ptr<Companion> companion, std::uint64_t attempt,
                                  std::chrono::seconds delay) {
    co_await sleepFor(delay);
    const auto self = companion.lock();
    // A pairing begun meanwhile overtakes the retry.
    if (!self || attempt != self->pairingAttempts_) co_return;
    co_await self->pair();
}

Task<void> Companion::pairOrThrow() {
    const PairingClient pairing(settings_.apiURL, CompanionVersion::identity(), session_);
    Json extra = MacIdentityWire::fields(InstallId::current(*defaults_), operatorPermissions_->hardware());
    const PairingClient::Started started = co_await pairing.start(std::move(extra));
    signInRetryDelay_ = firstSignInRetry;
    pairingCode_ = started.userCode;
    state_.blockedReason.reset();
    if (panelShowingSignIn_) showPanelSignIn();

    const std::string address = approvalAddress(started.verificationUrl, started.userCode);
    pairingAddress_ = address;
    // The browser may not open on this computer; this line is then how the person learns both.
    PlainLog::write("tarvo: to sign in, " + approvalLine(address, started.userCode));
    tellPairingBegun(approvalLine(address, started.userCode));
    opener_->open(address);

    const Clock::Instant deadline = loop_.clock().now() + std::chrono::seconds(started.expiresInSeconds);
    bool unreachableNoted = false;
    for (;;) {
        if (loop_.clock().now() >= deadline) {
            endPairing(expiredSentence);
            co_return;
        }
        co_await sleepFor(std::chrono::seconds(started.intervalSeconds));
        std::optional<PairingClient::Poll> poll;
        try {
            PairingClient::Poll answer = co_await pairing.poll(started.deviceCode);
            poll = std::move(answer);
        } catch (const PairingClientFailure& failure) {
            // The code stays good until its deadline: a poll that got no answer is sent again.
            if (failure.kind() != PairingClientFailure::Kind::transport) throw;
            if (!unreachableNoted) {
                PlainLog::write("tarvo: " + failure.description() + " — still waiting for the approval");
                unreachableNoted = true;
            }
        }
        if (!poll) continue;
        if (auto* approved = std::get_if<PairingClient::Approved>(&*poll)) {
            co_await approve(std::move(*approved));
            co_return;
        }
        if (std::holds_alternative<PairingClient::Denied>(*poll)) {
            endPairing(deniedSentence);
            co_return;
        }
        if (std::holds_alternative<PairingClient::Expired>(*poll)) {
            endPairing(expiredSentence);
            co_return;
        }
    }
}

Task<void> Companion::approve(PairingClient::Approved approved) {
    storeTokens(approved.accessToken, approved.refreshToken);
    defaults_->set(Json(approved.deviceId), deviceIdKey);
    settings_ = CompanionSettings::load(*defaults_);
    settings_.credentials = BrainClient::Credentials{std::move(approved.accessToken),
                                                     std::move(approved.refreshToken), std::move(approved.deviceId)};
    dropClient();
    panelSignedIn_ = false;
    pairingCode_.reset();
    pairingAddress_.reset();
    state_.signIn = CompanionState::SignIn::signedIn("");
    PlainLog::write("tarvo: signed in — this Mac is paired as " + settings_.credentials->deviceId);
    co_await requestTick();
    operatorLink_->wake->signal();
    if (!state_.canReadMessages) {
        PlainLog::error("tarvo: signed in, but Messages cannot be read — " +
                        messagesCause_.value_or(database_.path() + ": not looked at yet") +
                        "; give this program read access to it");
        openFullDiskAccessSettings();
    }
}

// Where no menu shows the blocked reason, the log is where a person learns why.
void Companion::endPairing(std::string blockedReason) {
    PlainLog::error("tarvo: the sign-in ended without connecting this Mac — " + blockedReason);
    std::string told = "the sign-in ended without connecting this computer — " + blockedReason;
    if (signInRetryAt_) {
        const std::string retry = "trying again at " + TarvoDate::format(*signInRetryAt_) +
                                  ", or at once with `tarvo-companion pair`";
        PlainLog::error("tarvo: could not reach Tarvo to sign in — " + retry);
        told += "; " + retry;
    }
    tellPairingBegun(told);
    pairingCode_.reset();
    pairingAddress_.reset();
    state_.blockedReason = std::move(blockedReason);
}

void Companion::tellPairingBegun(const std::string& line) {
    for (auto& listener : std::exchange(pairingBegunListeners_, {})) listener(line);
}

std::optional<std::string> Companion::signInNextStep() const {
    if (state_.signIn.isSignedIn()) return std::nullopt;
    if (pairingCode_ && pairingAddress_) return "waiting for approval: " + approvalLine(*pairingAddress_, *pairingCode_);
    if (pairing_) return "asking the service for a sign-in code";
    if (signInRetryAt_) {
        return "could not reach Tarvo to sign in — trying again at " + TarvoDate::format(*signInRetryAt_) +
               ", or at once with `tarvo-companion pair`";
    }
    if (settings_.credentials) {
        return "the service ended this computer's session — sign in again with `tarvo-companion pair`";
    }
    if (deviceIdStored()) return "the stored sign-in is not read yet";
    return "this computer is not signed in — sign in with `tarvo-companion pair`";
}

void Companion::signOut() {
    secrets_->remove({std::string(accessTokenAccount), std::string(refreshTokenAccount)});
    defaults_->set(std::nullopt, deviceIdKey);
    settings_.credentials.reset();
    settings_.imessageChannelId.reset();
    settings_.smsChannelId.reset();
    settings_.whatsappChannelId.reset();
    dropClient();
    panelSignedIn_ = false;
    state_.signIn = CompanionState::SignIn::signedOut();
    state_.blockedReason.reset();
    PlainLog::write("tarvo: signed out — credentials forgotten, this Mac has stopped relaying");
    if (panelWindow_) panelWindow_->close();
    showSetupWindow();
}

void Companion::endSession(const std::string& reason) {
    if (!state_.signIn.isSignedIn()) return;
    PlainLog::error("tarvo: this Mac's session is GONE (" + reason +
                    ") — capture and relay are stopping until somebody signs in again. Nothing captured is lost.");
    state_.signIn = CompanionState::SignIn::signedOut();
    state_.blockedReason = sessionGoneSentence;
    dropClient();
    panelSignedIn_ = false;
}

} // namespace tarvo
