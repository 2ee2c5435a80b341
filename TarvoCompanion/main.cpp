#include <memory>
#include <string>

#include "Platform/LinuxComputerName.h"
#include "Platform/LinuxHomeFolders.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoCore/ChatDatabase/ChatDatabase.h"
#include "TarvoCore/CompanionVersion.h"

int main() {
    using tarvo::CompanionVersion;
    CompanionVersion::useComputerName(std::make_shared<tarvo::LinuxComputerName>());
    tarvo::ChatDatabase::useHomeFolders(std::make_shared<tarvo::LinuxHomeFolders>());

    tarvo::RunLoop loop;
    loop.post([&loop] {
        tarvo::PlainLog::write(std::string("tarvo: companion ") + CompanionVersion::version + " (" +
                               std::to_string(CompanionVersion::build) + ") started on " +
                               CompanionVersion::deviceName());
        loop.stop();
    });
    loop.run();
    return 0;
}
