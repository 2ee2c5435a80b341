#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "TarvoClient/ClientIdentity.h"
#include "TarvoCore/Companion/CompanionVersionNumbers.h"
#include "TarvoCore/Ports/ComputerName.h"

namespace tarvo {

// Which release of the companion runs, and how this computer introduces itself to the service.
class CompanionVersion {
public:
    static constexpr const char* version = companionVersionNumbers::version;
    static constexpr std::int64_t build = companionVersionNumbers::build;

    // The computer's name, or "Mac" when the system gives none.
    static std::string deviceName();
    static ClientIdentity identity();

    // The application installs the system's name source at start; until then there is none.
    static void useComputerName(std::shared_ptr<const ComputerName> source);
};

} // namespace tarvo
