#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {

// A file's name as a question about sending it shows it: on one line, its runs of white space
// each made one space, and cut to 80 characters with "…" after a longer one.
std::string shownFileName(std::string_view name);

// Bytes in whole decimal megabytes, halves away from zero.
std::int64_t roundedMegabytes(std::int64_t bytes);

} // namespace tarvo
