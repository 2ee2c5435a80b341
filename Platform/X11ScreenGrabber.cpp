#include "Platform/X11ScreenGrabber.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "Platform/X11Free.h"
#include "Platform/X11Image.h"
#include "Platform/X11Monitors.h"

namespace tarvo {
namespace {

int shiftOf(unsigned long mask) { return mask == 0 ? 0 : std::countr_zero(mask); }

std::uint8_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    const unsigned long value = (pixel & mask) >> shiftOf(mask);
    const unsigned long top = mask >> shiftOf(mask);
    return static_cast<std::uint8_t>(value * 255 / top);
}

// The image's pixels in our own order: a row copy in the usual 32-bit layout, else pixel by pixel.
BgrxImage converted(XImage* image) {
    BgrxImage picture(image->width, image->height);
    const bool usual = image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xff0000 &&
                       image->green_mask == 0xff00 && image->blue_mask == 0xff;
    if (usual) {
        const std::size_t row = static_cast<std::size_t>(image->width) * BgrxImage::bytesPerPixel;
        for (int y = 0; y < image->height; ++y) {
            std::memcpy(picture.at(0, y), image->data + static_cast<std::size_t>(y) * static_cast<std::size_t>(image->bytes_per_line), row);
        }
        return picture;
    }
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            std::uint8_t* out = picture.at(x, y);
            out[0] = channel(pixel, image->blue_mask);
            out[1] = channel(pixel, image->green_mask);
            out[2] = channel(pixel, image->red_mask);
            out[3] = 0;
        }
    }
    return picture;
}

} // namespace

// A shared-memory segment with the image the server writes into it.
struct X11ScreenGrabber::Segment {
    Display* display = nullptr;
    XShmSegmentInfo info{};
    XImage* image = nullptr;
    bool attached = false;

    Segment() { info.shmaddr = nullptr; }
    ~Segment() {
        if (attached) XShmDetach(display, &info);
        if (image) {
            // The pixels are the segment's, not Xlib's to free.
            image->data = nullptr;
            XDestroyImage(image);
        }
        if (info.shmaddr) shmdt(info.shmaddr);
    }
    Segment(const Segment&) = delete;
    Segment& operator=(const Segment&) = delete;
};

std::unique_ptr<X11ScreenGrabber> X11ScreenGrabber::open(const std::string& displayName) {
    auto display = X11Display::open(displayName);
    if (!display) return nullptr;
    return std::unique_ptr<X11ScreenGrabber>(new X11ScreenGrabber(std::move(display)));
}

X11ScreenGrabber::X11ScreenGrabber(std::shared_ptr<X11Display> display) : display_(std::move(display)) {
    canShare_ = XShmQueryExtension(display_->get()) == True;
    int eventBase = 0;
    int errorBase = 0;
    hasFixes_ = XFixesQueryExtension(display_->get(), &eventBase, &errorBase) == True;
}

X11ScreenGrabber::~X11ScreenGrabber() = default;

std::optional<EwmhWorkspace::Area> X11ScreenGrabber::mainMonitor() const {
    Display* x = display_->get();
    if (display_->lost()) return std::nullopt;
    int eventBase = 0;
    int errorBase = 0;
    if (!XRRQueryExtension(x, &eventBase, &errorBase)) {
        return EwmhWorkspace::Area{0, 0, DisplayWidth(x, display_->screen()), DisplayHeight(x, display_->screen())};
    }
    const X11Monitors monitors = X11Monitors::read(x, display_->root());
    const XRRMonitorInfo* main = monitors.main();
    if (!main || display_->lost()) return std::nullopt;
    if (main->width < 1 || main->height < 1) return std::nullopt;
    return EwmhWorkspace::Area{main->x, main->y, main->width, main->height};
}

X11ScreenGrabber::Segment* X11ScreenGrabber::segmentFor(int width, int height) {
    if (segment_ && segment_->image->width == width && segment_->image->height == height) return segment_.get();
    segment_.reset();
    Display* x = display_->get();
    auto made = std::make_unique<Segment>();
    made->display = x;
    made->image = XShmCreateImage(x, DefaultVisual(x, display_->screen()), static_cast<unsigned>(DefaultDepth(x, display_->screen())),
                                  ZPixmap, nullptr, &made->info, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!made->image) return nullptr;
    made->info.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(made->image->bytes_per_line) * static_cast<std::size_t>(height),
                              IPC_CREAT | 0600);
    if (made->info.shmid < 0) return nullptr;
    void* address = shmat(made->info.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(made->info.shmid, IPC_RMID, nullptr);
        return nullptr;
    }
    made->info.shmaddr = made->image->data = static_cast<char*>(address);
    made->info.readOnly = False;
    const auto errors = display_->checked([&](Display* d) { XShmAttach(d, &made->info); });
    // Gone as soon as both sides have let go of it, even if this process is killed.
    shmctl(made->info.shmid, IPC_RMID, nullptr);
    if (!errors.empty() || display_->lost()) {
        // A server that cannot reach this process's memory (another machine, another namespace).
        canShare_ = false;
        return nullptr;
    }
    made->attached = true;
    segment_ = std::move(made);
    return segment_.get();
}

std::optional<BgrxImage> X11ScreenGrabber::grab(const EwmhWorkspace::Area& area) {
    if (display_->lost()) return std::nullopt;
    Segment* segment = canShare_ ? segmentFor(area.width, area.height) : nullptr;
    if (!segment) return grabWithoutSharedMemory(area);
    Bool taken = False;
    const auto errors = display_->checked(
        [&](Display* d) { taken = XShmGetImage(d, display_->root(), segment->image, area.x, area.y, AllPlanes); });
    if (!taken || !errors.empty() || display_->lost()) return std::nullopt;
    return converted(segment->image);
}

std::optional<BgrxImage> X11ScreenGrabber::grabWithoutSharedMemory(const EwmhWorkspace::Area& area) {
    if (display_->lost()) return std::nullopt;
    X11Image image;
    const auto errors = display_->checked([&](Display* d) {
        image.reset(XGetImage(d, display_->root(), area.x, area.y, static_cast<unsigned>(area.width),
                              static_cast<unsigned>(area.height), AllPlanes, ZPixmap));
    });
    if (!image || !errors.empty() || display_->lost()) return std::nullopt;
    return converted(image.get());
}

void X11ScreenGrabber::drawPointer(BgrxImage& image, const EwmhWorkspace::Area& area) const {
    if (!hasFixes_ || display_->lost()) return;
    const X11Owned<XFixesCursorImage> cursor(XFixesGetCursorImage(display_->get()));
    if (!cursor) return;
    const int left = cursor->x - cursor->xhot - area.x;
    const int top = cursor->y - cursor->yhot - area.y;
    for (int cy = 0; cy < cursor->height; ++cy) {
        const int y = top + cy;
        if (y < 0 || y >= image.height) continue;
        for (int cx = 0; cx < cursor->width; ++cx) {
            const int x = left + cx;
            if (x < 0 || x >= image.width) continue;
            // Premultiplied ARGB, one pixel to a long.
            const unsigned long argb = cursor->pixels[static_cast<std::size_t>(cy) * cursor->width + static_cast<std::size_t>(cx)];
            const unsigned alpha = (argb >> 24) & 0xff;
            if (alpha == 0) continue;
            std::uint8_t* out = image.at(x, y);
            for (int c = 0; c < 3; ++c) {
                const unsigned source = (argb >> (8 * c)) & 0xff;
                out[c] = static_cast<std::uint8_t>(std::min(255u, source + out[c] * (255 - alpha) / 255));
            }
        }
    }
}

} // namespace tarvo
