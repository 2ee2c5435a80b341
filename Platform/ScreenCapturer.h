#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "Platform/BgrxImage.h"
#include "Platform/DesktopApplications.h"
#include "Platform/JpegEncoding.h"
#include "TarvoCore/Operator/ScreenCapturing.h"

namespace tarvo {

// Pictures of the main monitor of the X screen (the primary one, else the first), on a worker,
// over a connection and a shared-memory segment of the capturer's own, kept between pictures. The
// pointer is drawn in. X cannot see behind a window, so what a picture must not show is black:
// with `only`, everything but the visible parts of that process's windows; otherwise the visible
// parts of the excluded applications' windows (the operating bar among them when the companion
// is excluded).
class ScreenCapturer final : public ScreenCapturing {
public:
    static constexpr std::int64_t thumbnailLongSide = 320;
    static constexpr int thumbnailQuality = 60;
    static constexpr int screenQuality = 70;
    static constexpr int screenSecondQuality = 45;

    static constexpr std::string_view noScreenSentence = "No screen is connected to this Mac.";
    static constexpr std::string_view refusedSentence =
        "macOS would not let Tarvo see the screen. Check Screen Recording for Tarvo.";
    static constexpr std::string_view noWindowTail = " has no window on screen.";
    static constexpr std::string_view notSmallEnoughSentence = "The screenshot could not be made small enough to send.";

    struct Size {
        std::int64_t width = 0;
        std::int64_t height = 0;
        bool operator==(const Size&) const = default;
    };

    // `displayName` empty: no display. Window classes are named by `applications`.
    ScreenCapturer(std::string displayName, DesktopApplications applications, std::shared_ptr<JpegEncoding> encoder);
    ~ScreenCapturer() override;

    Task<CapturedPicture> capture(std::optional<RunningApp> only, std::set<std::string> excludingBundleIds) override;

    // A display's size made to fit `longSide` on its longer side, never larger; each side at least 1.
    static Size size(std::int64_t displayWidth, std::int64_t displayHeight, std::int64_t longSide);
    // The screen image's JPEG within the byte budget: the first quality, else the second, else
    // none. A failed first encoding is not tried again.
    static std::optional<std::string> screenImage(const BgrxImage& image, JpegEncoding& encoder);

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace tarvo
