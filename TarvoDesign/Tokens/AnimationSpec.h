#pragma once

#include "TarvoDesign/Tokens/TarvoMotion.h"

namespace tarvo {

// How a change is animated, as a plain value for whatever draws it: a spring, a timing curve, or
// an ease-out. Reduce Motion never switches animation off; it makes it a short ease-out.
struct AnimationSpec {
    enum class Kind { spring, timingCurve, easeOut };

    Kind kind = Kind::easeOut;
    // Seconds: a spring's response, a curve's or an ease-out's length.
    double duration = 0;
    // A timing curve's control points.
    TarvoMotion::Curve curve{};
    // A spring's damping, with a blend of 0 s.
    double dampingFraction = 1;

    bool operator==(const AnimationSpec&) const = default;

    // The spring, or with Reduce Motion an ease-out of `TarvoMotion::fast`.
    static AnimationSpec trv(const TarvoMotion::Spring& spring, bool reduceMotion);
    // The curve over `duration`, or with Reduce Motion an ease-out of `TarvoMotion::fast` at most.
    static AnimationSpec trv(const TarvoMotion::Curve& curve, double duration, bool reduceMotion);
};

} // namespace tarvo
