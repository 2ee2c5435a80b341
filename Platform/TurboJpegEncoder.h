#pragma once

#include <memory>
#include <mutex>

#include "Platform/JpegEncoding.h"

namespace tarvo {

// JPEG through libturbojpeg, with the colour kept at full resolution (4:4:4): coloured text on a
// screen stays legible, where halving the colour smears it. One encoding at a time.
class TurboJpegEncoder final : public JpegEncoding {
public:
    TurboJpegEncoder();

    std::optional<std::string> encode(const BgrxImage& image, int quality) override;

private:
    std::mutex turn_;
    struct HandleRelease {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, HandleRelease> handle_;
};

} // namespace tarvo
