#pragma once

#include "TarvoCore/Ports/HomeFolders.h"

namespace tarvo {

// Home folders from the system's user database (the password database and whatever the name
// service switch adds to it).
class LinuxHomeFolders final : public HomeFolders {
public:
    std::optional<std::string> homeFolder(const std::string& user) const override;
};

} // namespace tarvo
