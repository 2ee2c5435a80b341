#include "TarvoCore/Operator/KeepAwakeReason.h"

#include "TarvoBase/TarvoLoggers.h"

namespace tarvo {

std::string_view rawValue(KeepAwakeReason reason) {
    switch (reason) {
    case KeepAwakeReason::reachable: return "reachable";
    case KeepAwakeReason::runLive: return "run_live";
    }
    return {};
}

} // namespace tarvo

namespace tarvo::TarvoLog {

void operatorKeepAwake(std::optional<KeepAwakeReason> reason) {
    const std::string_view text = reason ? rawValue(*reason) : "released";
    operating().log(LogLevel::standard, "operator keep awake %{public}s",
                    [&] { return std::vector{LogArgument::publicText(text)}; });
}

} // namespace tarvo::TarvoLog
