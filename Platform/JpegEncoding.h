#pragma once

#include <optional>
#include <string>

#include "Platform/BgrxImage.h"

namespace tarvo {

// Makes JPEG files of pictures.
class JpegEncoding {
public:
    virtual ~JpegEncoding() = default;

    // The file's bytes at `quality` (1 to 100); none when the picture cannot be encoded.
    virtual std::optional<std::string> encode(const BgrxImage& image, int quality) = 0;
};

} // namespace tarvo
