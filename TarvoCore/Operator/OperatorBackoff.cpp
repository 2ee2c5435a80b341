#include "TarvoCore/Operator/OperatorBackoff.h"

#include <algorithm>
#include <cmath>

namespace tarvo {
namespace {

// A random number that is not a number counts as 0, so that no wait is ever NaN.
double clampedRandom(double random) {
    if (!(random > 0)) return 0;
    return std::min(random, 0.999999);
}

} // namespace

std::chrono::duration<double> OperatorBackoff::delay(std::int64_t failures, std::int64_t status, double random) {
    random = clampedRandom(random);
    if (status == 403 || status == 404) return std::chrono::duration<double>(60.0);
    double seconds;
    if (failures < 2) {
        seconds = 0.5 + random;
    } else {
        const double doubled = std::min(std::exp2(static_cast<double>(failures - 1)), cap.count());
        seconds = std::min(doubled * (0.75 + 0.5 * random), cap.count());
    }
    if (status == 429) seconds = std::max(seconds, cap.count());
    return std::chrono::duration<double>(seconds);
}

} // namespace tarvo
