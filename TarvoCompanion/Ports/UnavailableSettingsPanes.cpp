#include "TarvoCompanion/Ports/UnavailableSettingsPanes.h"

#include "TarvoBase/PlainLog.h"

namespace tarvo {

void UnavailableSettingsPanes::open(const std::string& address) {
    PlainLog::write("tarvo: this computer has no settings pane " + address + " to open");
}

} // namespace tarvo
