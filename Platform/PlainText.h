#pragma once

#include <cstddef>
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
    // The decoded text of at most `most` bytes from the start of an open file, cut when the
    // read reached `cap`. Errors of the file system are thrown unchanged.
    static std::string start(int file, std::size_t most, std::size_t cap);
    static std::string start(int file, std::size_t most) { return start(file, most, most); }
};

} // namespace tarvo
