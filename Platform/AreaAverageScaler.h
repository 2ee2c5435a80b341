#pragma once

#include "Platform/BgrxImage.h"

namespace tarvo {

// Makes a picture smaller by averaging, for each pixel of the result, the source pixels its area
// covers, each by the part of it that is covered: text and thin lines fade rather than vanish.
class AreaAverageScaler {
public:
    // `width` and `height` at least 1 and at most the source's; the same size is a copy.
    static BgrxImage scaled(const BgrxImage& source, int width, int height);
};

} // namespace tarvo
