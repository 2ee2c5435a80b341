#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// Finding a program the way a shell would, on a PATH value: folders separated by ":", of which
// those that are not absolute are skipped.
class SearchPath {
public:
    // The first executable file named `program` in the folders of `searchPath`.
    static std::optional<std::string> find(std::string_view searchPath, std::string_view program);
};

} // namespace tarvo
