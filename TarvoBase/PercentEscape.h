#pragma once

#include <string>

namespace tarvo {

// Appends "%XX" for one byte, in upper-case hexadecimal.
inline void appendPercentEscape(std::string& out, unsigned char byte) {
    static constexpr char digits[] = "0123456789ABCDEF";
    out.push_back('%');
    out.push_back(digits[byte >> 4]);
    out.push_back(digits[byte & 0x0F]);
}

} // namespace tarvo
