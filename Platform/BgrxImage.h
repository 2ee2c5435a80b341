#pragma once

#include <cstdint>
#include <vector>

namespace tarvo {

// A picture as the X server hands it out at 24-bit depth: rows top to bottom, four bytes a
// pixel in memory order blue, green, red and one unused.
struct BgrxImage {
    static constexpr int bytesPerPixel = 4;

    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    BgrxImage() = default;
    BgrxImage(int width, int height)
        : width(width), height(height),
          pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel) {}

    std::uint8_t* at(int x, int y) {
        return pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * bytesPerPixel;
    }
    const std::uint8_t* at(int x, int y) const { return const_cast<BgrxImage*>(this)->at(x, y); }
};

} // namespace tarvo
