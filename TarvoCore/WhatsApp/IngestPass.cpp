#include "TarvoCore/WhatsApp/IngestPass.h"

#include <algorithm>

#include "TarvoClient/BrainClientFailure.h"

namespace tarvo::WhatsAppWeb {
namespace {

// The service is out of reach or this computer's sign-in is gone: no message gets through.
bool isTheWayIn(const BrainClientFailure& failure) {
    return failure.kind() == BrainClientFailure::Kind::transport || failure.isSessionGone();
}

bool isTheChannel(const BrainClientFailure& failure) {
    return failure.kind() == BrainClientFailure::Kind::http && failure.code() == "channel_disabled";
}

// An answer that speaks of the service's own state (failing, timing out, shedding load) says
// nothing about the message: counting it against the message would give up, after an outage of a
// few minutes, on every message posted during it.
bool isTheServiceUnwell(const BrainClientFailure& failure) {
    if (failure.kind() != BrainClientFailure::Kind::http) return false;
    const int status = failure.status();
    return (status >= 500 && status <= 599) || status == 408 || status == 429;
}

// Whether the message had nothing to do with its failure, so that its chat is read again without
// spending a try.
bool failureIsNotTheMessage(const std::exception_ptr& error) {
    const auto failure = BrainClientFailure::held(error);
    return failure && (isTheWayIn(*failure) || isTheServiceUnwell(*failure));
}

} // namespace

bool failureIsTheChannel(const std::exception_ptr& error) {
    const auto failure = BrainClientFailure::held(error);
    return failure && isTheChannel(*failure);
}

bool failureStopsTheRest(const std::exception_ptr& error) {
    const auto failure = BrainClientFailure::held(error);
    return failure && (isTheWayIn(*failure) || isTheChannel(*failure));
}

std::set<std::string> IngestPass::chatsToReopen(RetryBudget& budget) const { return chatsToReadAgain(budget, false); }

std::set<std::string> IngestPass::chatsToPeekAgain(RetryBudget& budget) const { return chatsToReadAgain(budget, true); }

std::set<std::string> IngestPass::chatsToReadAgain(RetryBudget& budget, bool peeked) const {
    for (const auto& message : posted) budget.forget(message.externalId);
    const bool channelIsOff =
        std::any_of(failed.begin(), failed.end(), [](const Failed& one) { return failureIsTheChannel(one.error); });
    if (channelIsOff) return {};
    std::set<std::string> chats;
    for (const auto& [message, error] : failed) {
        if (message.peeked != peeked || !message.chatKey) continue;
        if (failureIsNotTheMessage(error) || budget.spend(message.externalId)) chats.insert(*message.chatKey);
    }
    for (const auto& message : notTried) {
        if (message.peeked == peeked && message.chatKey) chats.insert(*message.chatKey);
    }
    return chats;
}

Task<IngestPass> ingestEach(std::vector<Message> messages, std::function<Task<void>(Message)> post) {
    IngestPass pass;
    for (auto next = messages.begin(); next != messages.end(); ++next) {
        std::exception_ptr error;
        try {
            co_await post(*next);
        } catch (...) {
            error = std::current_exception();
        }
        if (!error) {
            pass.posted.push_back(*next);
            continue;
        }
        pass.failed.push_back({*next, error});
        if (failureStopsTheRest(error)) {
            pass.notTried.assign(std::next(next), messages.end());
            break;
        }
    }
    co_return pass;
}

} // namespace tarvo::WhatsAppWeb
