#include "TarvoCompanion/Companion.h"

namespace tarvo {

// Without a client there is no one to tell; this build is never signed in.
Task<void> Companion::heartbeat() { co_return; }

} // namespace tarvo
