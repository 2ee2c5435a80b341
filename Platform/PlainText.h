#pragma once

#include <string>
#include <string_view>

namespace tarvo {

// The start of a file as text, whatever it was written in.
class PlainText {
public:
    // UTF-16 when the bytes carry its byte-order mark or its pattern of NUL bytes and decode as
    // it; else UTF-8, with each bad sequence replaced. `cut` says the bytes stop at
    // a read limit, so a character the limit split is dropped rather than spoiling the whole.
    static std::string decoded(std::string_view bytes, bool cut);
};

} // namespace tarvo
