#include "Platform/ScreenCapturer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

#include "Platform/AreaAverageScaler.h"
#include "Platform/EwmhWorkspace.h"
#include "Platform/X11ScreenGrabber.h"
#include "TarvoBase/OnWorker.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {
namespace {

using Area = EwmhWorkspace::Area;

OperatorPortFailure failure(std::string_view sentence) { return OperatorPortFailure(std::string(sentence)); }

// Where the area lies on the monitor, in the picture's own coordinates.
std::optional<Area> onMonitor(const Area& area, const Area& monitor) {
    const int left = std::max(area.x, monitor.x);
    const int top = std::max(area.y, monitor.y);
    const int right = std::min(area.x + area.width, monitor.x + monitor.width);
    const int bottom = std::min(area.y + area.height, monitor.y + monitor.height);
    if (right <= left || bottom <= top) return std::nullopt;
    return Area{left - monitor.x, top - monitor.y, right - left, bottom - top};
}

// Which pixels the picture leaves black, painted window by window from the bottom up, so that
// a window covers the parts of those below it.
class BlackOut {
public:
    BlackOut(const Area& monitor, bool everything) : monitor_(monitor), any_(false) {
        if (everything) paint(monitor, true);
    }

    void paint(const Area& window, bool black) {
        if (!black && !any_) return;
        const auto part = onMonitor(window, monitor_);
        if (!part) return;
        // Made once something is black: most pictures leave nothing out.
        if (!any_) black_.resize(static_cast<std::size_t>(monitor_.width) * static_cast<std::size_t>(monitor_.height));
        any_ = true;
        for (int y = part->y; y < part->y + part->height; ++y) {
            auto row = black_.begin() + static_cast<std::ptrdiff_t>(y) * monitor_.width;
            std::fill(row + part->x, row + part->x + part->width, black ? 1 : 0);
        }
    }

    void apply(BgrxImage& image) const {
        if (!any_) return;
        for (std::size_t i = 0; i < black_.size(); ++i) {
            if (black_[i]) std::fill_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(i) * BgrxImage::bytesPerPixel,
                                       BgrxImage::bytesPerPixel, 0);
        }
    }

private:
    Area monitor_;
    std::vector<std::uint8_t> black_;
    bool any_;
};

BgrxImage fitted(const BgrxImage& image, std::int64_t longSide) {
    const ScreenCapturer::Size to = ScreenCapturer::size(image.width, image.height, longSide);
    return AreaAverageScaler::scaled(image, static_cast<int>(to.width), static_cast<int>(to.height));
}

} // namespace

// Windows no window manager lists (menus, and the operating bar where none runs) lie above the
// managed ones; an excluded application's are black too.
void blackOutUnmanaged(X11Display& display, const std::vector<DesktopApplications::Entry>& entries,
                       const std::set<std::string>& excluded, BlackOut& blackOut) {
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    display.checked([&](Display* x) {
        if (!XQueryTree(x, display.root(), &root, &parent, &children, &count)) return;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(x, children[i], &attributes) || !attributes.override_redirect ||
                attributes.map_state != IsViewable) {
                continue;
            }
            const EwmhWorkspace::Client window = EwmhWorkspace::client(display, children[i]);
            const auto id = EwmhWorkspace::bundleId(window, entries);
            if (id && excluded.contains(*id)) blackOut.paint(window.area, true);
        }
    });
    if (children) XFree(children);
}

struct ScreenCapturer::State {
    State(std::string displayName, DesktopApplications applications, std::shared_ptr<JpegEncoding> encoder)
        : displayName(std::move(displayName)), applications(std::move(applications)), encoder(std::move(encoder)) {}

    const std::string displayName;
    const DesktopApplications applications;
    const std::shared_ptr<JpegEncoding> encoder;
    std::mutex turn;
    std::unique_ptr<X11ScreenGrabber> grabber;

    // Under `turn`.
    X11ScreenGrabber& connected() {
        if (displayName.empty()) throw failure(noScreenSentence);
        if (!grabber || grabber->display().lost()) grabber = X11ScreenGrabber::open(displayName);
        if (!grabber) throw failure(noScreenSentence);
        return *grabber;
    }

    CapturedPicture take(const std::optional<RunningApp>& only, const std::set<std::string>& excluded) {
        const std::lock_guard hold(turn);
        X11ScreenGrabber& screen = connected();
        const auto monitor = screen.mainMonitor();
        if (!monitor) throw failure(noScreenSentence);

        const EwmhWorkspace::Reading windows = EwmhWorkspace::read(screen.display());
        const auto entries = applications.list();
        std::map<std::int32_t, std::string> names;
        for (const RunningApp& app : EwmhWorkspace::apps(windows, entries)) names.emplace(app.pid, app.name);

        CapturedPicture picture;
        BlackOut blackOut(*monitor, only.has_value());
        std::set<std::string> shown;
        bool anyOfOnly = false;
        for (const EwmhWorkspace::Client& window : windows.clients) {
            if (!window.onScreen()) continue;
            if (only) {
                const bool its = window.pid == only->pid;
                anyOfOnly = anyOfOnly || its;
                blackOut.paint(window.area, !its);
                continue;
            }
            const auto id = EwmhWorkspace::bundleId(window, entries);
            const bool left = id && excluded.contains(*id);
            blackOut.paint(window.area, left);
            if (!left && window.normal && window.pid && names.contains(*window.pid)) shown.insert(names.at(*window.pid));
        }
        if (only && !anyOfOnly) throw failure(only->name + std::string(noWindowTail));
        if (!only) blackOutUnmanaged(screen.display(), entries, excluded, blackOut);
        picture.apps = only ? std::vector<std::string>{only->name} : std::vector<std::string>(shown.begin(), shown.end());

        std::optional<BgrxImage> grabbed = screen.grab(*monitor);
        if (!grabbed) throw failure(screen.display().lost() ? noScreenSentence : refusedSentence);
        blackOut.apply(*grabbed);
        screen.drawPointer(*grabbed, *monitor);

        const BgrxImage image = fitted(*grabbed, CapturedPicture::screenLongSide);
        const BgrxImage thumbnail = fitted(image, thumbnailLongSide);
        auto thumbnailJPEG = encoder->encode(thumbnail, thumbnailQuality);
        if (!thumbnailJPEG) throw failure(notSmallEnoughSentence);
        picture.thumbnailJPEG = std::move(*thumbnailJPEG);
        picture.width = thumbnail.width;
        picture.height = thumbnail.height;
        picture.screenJPEG = screenImage(image, *encoder);
        if (picture.screenJPEG) {
            picture.screenWidth = image.width;
            picture.screenHeight = image.height;
        }
        return picture;
    }
};

ScreenCapturer::ScreenCapturer(std::string displayName, DesktopApplications applications,
                               std::shared_ptr<JpegEncoding> encoder)
    : state_(std::make_shared<State>(std::move(displayName), std::move(applications), std::move(encoder))) {}

ScreenCapturer::~ScreenCapturer() = default;

Task<CapturedPicture> ScreenCapturer::capture(std::optional<RunningApp> only, std::set<std::string> excludingBundleIds) {
    auto work = [state = state_, only = std::move(only), excluded = std::move(excludingBundleIds)] {
        return state->take(only, excluded);
    };
    co_return co_await onWorker(work);
}

ScreenCapturer::Size ScreenCapturer::size(std::int64_t displayWidth, std::int64_t displayHeight, std::int64_t longSide) {
    const std::int64_t width = std::max<std::int64_t>(displayWidth, 1);
    const std::int64_t height = std::max<std::int64_t>(displayHeight, 1);
    const double scale = std::min(static_cast<double>(longSide) / static_cast<double>(std::max(width, height)), 1.0);
    const auto side = [&](std::int64_t length) {
        return std::max<std::int64_t>(std::llround(static_cast<double>(length) * scale), 1);
    };
    return {side(width), side(height)};
}

std::optional<std::string> ScreenCapturer::screenImage(const BgrxImage& image, JpegEncoding& encoder) {
    std::optional<std::string> jpeg = encoder.encode(image, screenQuality);
    if (!jpeg || jpeg->size() <= CapturedPicture::screenMaxBytes) return jpeg;
    jpeg = encoder.encode(image, screenSecondQuality);
    if (jpeg && jpeg->size() > CapturedPicture::screenMaxBytes) return std::nullopt;
    return jpeg;
}

} // namespace tarvo
