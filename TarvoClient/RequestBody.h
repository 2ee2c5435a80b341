#pragma once

#include <string>

#include "TarvoBase/Json.h"

namespace tarvo {

// A JSON body as the bytes that are sent: compact, members in their order. A text or member
// name that is not well-formed UTF-8 (text from outside, such as a message) cannot be sent: that
// throws `BrainClientFailure::decoding` naming the first such member ("attachments[0].filename").
std::string requestBody(const Json& body);

} // namespace tarvo
