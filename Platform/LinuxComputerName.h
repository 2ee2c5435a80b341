#pragma once

#include <string>

#include "TarvoCore/Ports/ComputerName.h"

namespace tarvo {

// The computer's pretty name as the system keeps it (PRETTY_HOSTNAME in machine-info), else
// its host name.
class LinuxComputerName final : public ComputerName {
public:
    explicit LinuxComputerName(std::string machineInfoPath = "/etc/machine-info");
    std::optional<std::string> current() const override;

private:
    std::optional<std::string> prettyName() const;
    static std::optional<std::string> hostName();

    std::string machineInfoPath_;
};

} // namespace tarvo
