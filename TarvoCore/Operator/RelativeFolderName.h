#pragma once

#include <string_view>

namespace tarvo {

// Whether a non-empty name reads as folders below some folder and nothing else: no control
// character (below U+0020, or U+007F), no "/" at either end, and no empty, "." or ".." part
// between the "/"s.
bool isRelativeFolderName(std::string_view name);

} // namespace tarvo
