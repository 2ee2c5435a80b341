#include "Platform/TurboJpegEncoder.h"

#include <turbojpeg.h>

namespace tarvo {
namespace {

struct TurboJpegFree {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

} // namespace

void TurboJpegEncoder::HandleRelease::operator()(void* handle) const { tjDestroy(handle); }

TurboJpegEncoder::TurboJpegEncoder() : handle_(tjInitCompress()) {}

std::optional<std::string> TurboJpegEncoder::encode(const BgrxImage& image, int quality) {
    const std::lock_guard hold(turn_);
    if (!handle_ || image.width < 1 || image.height < 1) return std::nullopt;
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    const int failed = tjCompress2(handle_.get(), image.pixels.data(), image.width, image.width * BgrxImage::bytesPerPixel,
                                   image.height, TJPF_BGRX, &bytes, &size, TJSAMP_444, quality, 0);
    const std::unique_ptr<unsigned char, TurboJpegFree> owned(bytes);
    if (failed != 0 || !bytes) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

} // namespace tarvo
