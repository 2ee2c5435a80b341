#include "TarvoCompanion/Companion.h"

namespace tarvo {

// Without a client there is no one to hand messages to; this build is never signed in.
Task<void> Companion::captureWhatsApp() { co_return; }

} // namespace tarvo
