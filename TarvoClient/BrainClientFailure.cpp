#include "TarvoClient/BrainClientFailure.h"

#include <utility>

namespace tarvo {
namespace {

std::string describe(BrainClientFailure::Kind kind, int status, const std::string& code,
                     const std::string& message, const std::string& detail) {
    switch (kind) {
    case BrainClientFailure::Kind::http:
        return std::to_string(status) + " " + code + ": " + message;
    case BrainClientFailure::Kind::transport:
        return "Could not reach Tarvo: " + detail;
    case BrainClientFailure::Kind::decoding:
        return "Tarvo sent something unexpected: " + detail;
    case BrainClientFailure::Kind::notSignedIn:
        break;
    }
    return "This Mac is not signed in to Tarvo.";
}

} // namespace

BrainClientFailure::BrainClientFailure(Kind kind, int status, std::string code, std::string message,
                                       std::string detail)
    : kind_(kind), status_(status), code_(std::move(code)), message_(std::move(message)),
      detail_(std::move(detail)), description_(describe(kind_, status_, code_, message_, detail_)) {}

BrainClientFailure BrainClientFailure::http(int status, std::string code, std::string message) {
    return {Kind::http, status, std::move(code), std::move(message), {}};
}

BrainClientFailure BrainClientFailure::transport(std::string detail) {
    return {Kind::transport, 0, {}, {}, std::move(detail)};
}

BrainClientFailure BrainClientFailure::decoding(std::string detail) {
    return {Kind::decoding, 0, {}, {}, std::move(detail)};
}

BrainClientFailure BrainClientFailure::notSignedIn() {
    return {Kind::notSignedIn, 0, {}, {}, {}};
}

std::optional<BrainClientFailure> BrainClientFailure::held(const std::exception_ptr& error) {
    if (!error) return std::nullopt;
    try {
        std::rethrow_exception(error);
    } catch (const BrainClientFailure& failure) {
        return failure;
    } catch (...) {
        return std::nullopt;
    }
}

bool BrainClientFailure::isSessionGone() const {
    switch (kind_) {
    case Kind::notSignedIn:
        return true;
    case Kind::http:
        return code_ == "reuse_detected" || code_ == "invalid_token";
    case Kind::transport:
    case Kind::decoding:
        break;
    }
    return false;
}

bool BrainClientFailure::operator==(const BrainClientFailure& other) const {
    return kind_ == other.kind_ && status_ == other.status_ && code_ == other.code_ &&
           message_ == other.message_ && detail_ == other.detail_;
}

} // namespace tarvo
