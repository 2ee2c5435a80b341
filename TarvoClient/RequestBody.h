#pragma once

#include <string>

#include "TarvoBase/Json.h"

namespace tarvo {

// What a body does with a text or member name that is not well-formed UTF-8 (text from
// outside, such as a message or the computer's name).
enum class IllFormedText {
    // The body cannot be sent: `BrainClientFailure::decoding` names the first such member
    // ("attachments[0].filename").
    refuse,
    // Each ill-formed sequence goes as U+FFFD, for bodies that must never stop on one odd text.
    repair,
};

// A JSON body as the bytes that are sent: compact, members in their order. Every body sent to
// the service is written here, so that no ill-formed text ever leaves as another kind of error.
std::string requestBody(const Json& body, IllFormedText illFormed = IllFormedText::refuse);

} // namespace tarvo
