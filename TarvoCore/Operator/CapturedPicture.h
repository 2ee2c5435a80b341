#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

// One screen capture. Images are JPEG bytes.
struct CapturedPicture {
    // The largest side, in pixels, of a screen image a capture makes.
    static constexpr std::int64_t screenLongSide = 1280;
    // The most bytes a screen image may have to be sent; a larger one is left out, the thumbnail
    // still goes.
    static constexpr std::size_t screenMaxBytes = 1'500'000;

    std::string thumbnailJPEG;
    std::int64_t width = 0;
    std::int64_t height = 0;
    // Of the apps shown in the picture.
    std::vector<std::string> apps;
    std::optional<std::string> screenJPEG;
    std::optional<std::int64_t> screenWidth;
    std::optional<std::int64_t> screenHeight;

    bool operator==(const CapturedPicture&) const = default;
};

} // namespace tarvo
