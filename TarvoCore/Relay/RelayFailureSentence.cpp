#include "TarvoCore/Relay/RelayFailureSentence.h"

#include <optional>

#include "TarvoClient/BrainClientFailure.h"
#include "TarvoCore/Relay/CardSentenceCarrying.h"

namespace tarvo {

std::string RelayFailureSentence::cause(const std::exception_ptr& error) {
    const std::optional<BrainClientFailure> failure = BrainClientFailure::held(error);
    if (!failure) return "Something went wrong on this Mac.";
    switch (failure->kind()) {
    case BrainClientFailure::Kind::http:
        return "Tarvo did not accept the request.";
    case BrainClientFailure::Kind::transport:
        return "This Mac could not reach Tarvo.";
    case BrainClientFailure::Kind::decoding:
        return "Tarvo sent this Mac an answer it could not read.";
    case BrainClientFailure::Kind::notSignedIn:
        break;
    }
    return "This Mac is signed out of Tarvo.";
}

std::string RelayFailureSentence::card(const std::exception_ptr& error) {
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const CardSentenceCarrying& carrying) {
            return carrying.card();
        } catch (...) {
        }
    }
    const std::optional<BrainClientFailure> failure = BrainClientFailure::held(error);
    if (failure && failure->kind() == BrainClientFailure::Kind::notSignedIn) {
        return cause(error) + " Open Tarvo on that Mac and sign in, then send this again.";
    }
    return cause(error) + " Check Messages to see whether it went before sending it again.";
}

std::string RelayFailureSentence::diagnostic(const std::exception_ptr& error) {
    const std::optional<BrainClientFailure> failure = BrainClientFailure::held(error);
    if (!failure) return "other";
    switch (failure->kind()) {
    case BrainClientFailure::Kind::http:
        return "http " + std::to_string(failure->status()) + " " + failure->code();
    case BrainClientFailure::Kind::transport:
        return "transport";
    case BrainClientFailure::Kind::decoding:
        return "decoding";
    case BrainClientFailure::Kind::notSignedIn:
        break;
    }
    return "notSignedIn";
}

} // namespace tarvo
