#pragma once

namespace tarvo {

// The class an operator step is admitted under; the Mac's readiness is judged per class.
enum class MacCapabilityClass { files, screen, act, consequential };

} // namespace tarvo
