#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// Cuts a byte stream into the messages a NUL byte ends, as they arrive in pieces of any size.
// Only bytes not yet looked at are searched for the NUL, so a message of many megabytes that
// arrives in thousands of reads costs one pass, not one per read.
class NulSeparatedMessages {
public:
    void append(std::string_view bytes) { buffer_.append(bytes); }

    // The next whole message, without its NUL; absent until one has arrived in full.
    std::optional<std::string> next();

private:
    std::string buffer_;
    std::size_t start_ = 0;
    std::size_t searched_ = 0;
};

} // namespace tarvo
