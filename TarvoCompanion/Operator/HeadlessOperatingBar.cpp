#include "TarvoCompanion/Operator/HeadlessOperatingBar.h"

namespace tarvo {

Task<bool> HeadlessOperatingBar::isShown() { co_return false; }

} // namespace tarvo
