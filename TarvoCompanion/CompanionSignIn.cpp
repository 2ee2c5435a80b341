#include "TarvoCompanion/Companion.h"

namespace tarvo {

// This build keeps no tokens and cannot pair, so it is never signed in.
std::shared_ptr<BrainClient> Companion::client() { return nullptr; }

} // namespace tarvo
