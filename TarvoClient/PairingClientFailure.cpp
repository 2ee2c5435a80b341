#include "TarvoClient/PairingClientFailure.h"

#include <utility>

namespace tarvo {

PairingClientFailure::PairingClientFailure(Kind kind, std::string text, std::string description)
    : kind_(kind), text_(std::move(text)), description_(std::move(description)) {}

PairingClientFailure PairingClientFailure::transport(std::string text) {
    std::string description = "Could not reach Tarvo: " + text;
    return {Kind::transport, std::move(text), std::move(description)};
}

PairingClientFailure PairingClientFailure::refused(std::string text) {
    std::string description = text;
    return {Kind::refused, std::move(text), std::move(description)};
}

} // namespace tarvo
