#pragma once

#include <optional>
#include <string_view>

namespace tarvo {

// Why the computer is held awake: to stay reachable for the service, or for a live run.
enum class KeepAwakeReason { reachable, runLive };

std::string_view rawValue(KeepAwakeReason reason);

} // namespace tarvo

namespace tarvo::TarvoLog {

// "operator keep awake " with the reason's text, or "released" when no hold is wanted.
void operatorKeepAwake(std::optional<KeepAwakeReason> reason);

} // namespace tarvo::TarvoLog
