#pragma once

#include "TarvoBase/Logger.h"

// The companion's four named loggers. The lines written through them are named functions of this
// same namespace, declared in TarvoCore/Companion/TarvoLog.h or beside the higher-layer types they
// read, so the wording, level and privacy of every line stays in one place per layer.
namespace tarvo::TarvoLog {

const Logger& capture();
const Logger& relay();
const Logger& updates();
// The category text is "operator".
const Logger& operating();

} // namespace tarvo::TarvoLog
