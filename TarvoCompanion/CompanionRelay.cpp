#include "TarvoCompanion/Companion.h"

namespace tarvo {

// Without a client there are no jobs to claim; this build is never signed in.
Task<void> Companion::runRelayJobs() { co_return; }

} // namespace tarvo
