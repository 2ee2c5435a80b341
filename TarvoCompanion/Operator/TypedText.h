#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// How the actor breaks a text into what it types: lines, each ended by the return key, and each
// line into small chunks with a pause after each, so the app keeps up.
struct TypedText {
    // UTF-16 code units at most in one chunk.
    static constexpr std::size_t chunkUnits = 20;

    // Split at line ends, a carriage return with a line feed, a lone carriage return and a line
    // feed alike; consecutive line ends give empty lines.
    static std::vector<std::string> lines(std::string_view text);
    // The line's characters in chunks of at most `chunkUnits` UTF-16 units. A chunk ends before a
    // character that would not fit whole, so the two halves of a surrogate pair never arrive apart.
    static std::vector<std::u32string> chunks(std::string_view line);
};

} // namespace tarvo
