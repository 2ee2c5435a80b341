#pragma once

#include <optional>
#include <string>

namespace tarvo {

// Where each user of this computer keeps their files, as the system's user database says.
class HomeFolders {
public:
    virtual ~HomeFolders() = default;
    // None when the system knows no user of that name.
    virtual std::optional<std::string> homeFolder(const std::string& user) const = 0;
};

} // namespace tarvo
