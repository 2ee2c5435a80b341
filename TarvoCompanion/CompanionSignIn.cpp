#include "TarvoCompanion/Companion.h"

namespace tarvo {

// This build keeps no tokens and cannot pair, so it is never signed in.
std::shared_ptr<BrainClient> Companion::client() { return nullptr; }

// Never signed in, this build has no session to end.
void Companion::endSession(std::string) {}

} // namespace tarvo
