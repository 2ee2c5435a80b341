#pragma once

#include <string_view>

namespace tarvo {

// The kind of folder a file lies in: under Documents, Desktop, Downloads, iCloud Drive, or
// anywhere else.
enum class MacFileFolder { documents, desktop, downloads, icloud, other };

// The kind's text, equal to its case name.
std::string_view rawValue(MacFileFolder folder);

} // namespace tarvo
