#include "TarvoCompanion/Companion.h"

namespace tarvo {

// Without a client there is no one to hand messages to; this build is never signed in.
Task<void> Companion::capture() { co_return; }

Task<void> Companion::captureRecentFirst(std::shared_ptr<BrainClient>, std::string) { co_return; }

} // namespace tarvo
