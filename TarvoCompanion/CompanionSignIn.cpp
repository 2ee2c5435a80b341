#include "TarvoCompanion/Companion.h"

namespace tarvo {

// This build keeps no tokens and cannot pair, so it is never signed in.
std::shared_ptr<BrainClient> Companion::client() { return nullptr; }

// Never signed in, there is no session to end.
void Companion::endSession(std::string) {}

} // namespace tarvo
