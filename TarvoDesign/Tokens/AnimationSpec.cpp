#include "TarvoDesign/Tokens/AnimationSpec.h"

#include <algorithm>

namespace tarvo {

AnimationSpec AnimationSpec::trv(const TarvoMotion::Spring& spring, bool reduceMotion) {
    if (reduceMotion) return {.kind = Kind::easeOut, .duration = TarvoMotion::fast};
    return {.kind = Kind::spring, .duration = spring.response, .dampingFraction = spring.dampingFraction};
}

AnimationSpec AnimationSpec::trv(const TarvoMotion::Curve& curve, double duration, bool reduceMotion) {
    if (reduceMotion) return {.kind = Kind::easeOut, .duration = std::min(TarvoMotion::fast, duration)};
    return {.kind = Kind::timingCurve, .duration = duration, .curve = curve};
}

} // namespace tarvo
