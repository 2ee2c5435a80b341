#include "Platform/X11OperatorBarSurface.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <unistd.h>

#include "Platform/X11DesktopLook.h"
#include "Platform/X11Monitors.h"
#include "Platform/X11Property.h"
#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoDesign/Tokens/TarvoPalette.h"

namespace tarvo {
namespace {

constexpr const char* message = "Tarvo is operating this Mac";
constexpr const char* stopLabel = "Stop";
// The bar's two type sizes, at medium and semibold weight; fontconfig falls back to the nearest
// face there is.
constexpr const char* messageFontName = "DejaVu Sans:pixelsize=13:weight=medium";
constexpr const char* stopFontName = "DejaVu Sans:pixelsize=12.5:weight=semibold";

struct Area {
    int x, y, width, height;
};

// The work area of the current desktop as the window manager keeps it, else the primary
// monitor (the first when none is primary), else the whole screen.
Area workArea(X11Display& display) {
    const auto area = X11Property::read(display, display.root(), "_NET_WORKAREA", XA_CARDINAL).items<long>();
    const auto desktop = X11Property::read(display, display.root(), "_NET_CURRENT_DESKTOP", XA_CARDINAL).items<long>();
    const std::size_t index = desktop.size() == 1 ? static_cast<std::size_t>(desktop[0]) : 0;
    const std::size_t first = area.size() >= 4 * (index + 1) ? 4 * index : 0;
    if (area.size() >= first + 4 && area[first + 2] > 0 && area[first + 3] > 0) {
        return {static_cast<int>(area[first]), static_cast<int>(area[first + 1]), static_cast<int>(area[first + 2]),
                static_cast<int>(area[first + 3])};
    }
    const X11Monitors monitors = X11Monitors::read(display.get(), display.root());
    if (const XRRMonitorInfo* chosen = monitors.main()) {
        return {chosen->x, chosen->y, chosen->width, chosen->height};
    }
    return {0, 0, DisplayWidth(display.get(), display.screen()), DisplayHeight(display.get(), display.screen())};
}

bool windowManagerRuns(X11Display& display) {
    return X11Property::read(display, display.root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).present();
}

void setAtoms(X11Display& display, Window window, const char* name, const std::vector<const char*>& values) {
    std::vector<Atom> atoms;
    for (const char* value : values) atoms.push_back(display.atom(value));
    XChangeProperty(display.get(), window, display.atom(name), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
}

void setCardinals(X11Display& display, Window window, const char* name, const std::vector<long>& values) {
    XChangeProperty(display.get(), window, display.atom(name), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
}

// A colour of the palette as Xft draws it, freed when it goes.
class Colour {
public:
    Colour(Display* display, const TarvoColour& colour) : display_(display) {
        const auto channel = [](double value) {
            return static_cast<unsigned short>(std::lround(std::clamp(value, 0.0, 1.0) * 65535));
        };
        const XRenderColor wanted{channel(colour.red), channel(colour.green), channel(colour.blue),
                                  channel(colour.alpha)};
        allocated_ = XftColorAllocValue(display, visual(), colormap(), &wanted, &colour_);
    }
    ~Colour() {
        if (allocated_) XftColorFree(display_, visual(), colormap(), &colour_);
    }
    Colour(const Colour&) = delete;
    Colour& operator=(const Colour&) = delete;

    XftColor* xft() { return &colour_; }
    unsigned long pixel() const { return colour_.pixel; }

private:
    Visual* visual() const { return DefaultVisual(display_, DefaultScreen(display_)); }
    Colormap colormap() const { return DefaultColormap(display_, DefaultScreen(display_)); }

    Display* display_;
    XftColor colour_{};
    bool allocated_ = false;
};

// The four quarter circles and two bands of a rounded rectangle, filled with `gc`.
void fillRounded(Display* display, Drawable target, GC gc, int w, int h, int r) {
    const int d = 2 * r;
    XFillRectangle(display, target, gc, r, 0, static_cast<unsigned>(w - d), static_cast<unsigned>(h));
    XFillRectangle(display, target, gc, 0, r, static_cast<unsigned>(w), static_cast<unsigned>(h - d));
    const int corners[4][2] = {{0, 0}, {w - d, 0}, {0, h - d}, {w - d, h - d}};
    for (const auto& corner : corners) {
        XFillArc(display, target, gc, corner[0], corner[1], static_cast<unsigned>(d), static_cast<unsigned>(d), 0,
                 360 * 64);
    }
}

} // namespace

// What the window is drawn with, released when it goes.
struct X11OperatorBarSurface::Drawing {
    Display* display;
    GC gc;
    XftDraw* draw;
    XftFont* messageFont;
    XftFont* stopFont;

    Drawing(Display* display, Window window)
        : display(display), gc(XCreateGC(display, window, 0, nullptr)),
          draw(XftDrawCreate(display, window, DefaultVisual(display, DefaultScreen(display)),
                             DefaultColormap(display, DefaultScreen(display)))),
          messageFont(XftFontOpenName(display, DefaultScreen(display), messageFontName)),
          stopFont(XftFontOpenName(display, DefaultScreen(display), stopFontName)) {}
    ~Drawing() {
        if (stopFont) XftFontClose(display, stopFont);
        if (messageFont) XftFontClose(display, messageFont);
        if (draw) XftDrawDestroy(draw);
        XFreeGC(display, gc);
    }
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;
};

X11OperatorBarSurface::X11OperatorBarSurface(std::shared_ptr<X11EventThread> events) : events_(std::move(events)) {}

X11OperatorBarSurface::~X11OperatorBarSurface() {
    watch_.reset();
    if (window_ == None || events_->display().lost()) {
        drawing_.reset();
        return;
    }
    drawing_.reset();
    XDestroyWindow(events_->display().get(), window_);
    XFlush(events_->display().get());
}

bool X11OperatorBarSurface::canShow() const { return events_ && !events_->lost() && !events_->display().lost(); }

bool X11OperatorBarSurface::make() {
    if (window_ != None) return true;
    if (!canShow()) return false;
    X11Display& display = events_->display();
    managed_ = windowManagerRuns(display);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = managed_ ? False : True;
    attributes.background_pixel = BlackPixel(display.get(), display.screen());
    attributes.event_mask =
        ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask | VisibilityChangeMask;
    window_ = XCreateWindow(display.get(), display.root(), frame_.origin.x, frame_.origin.y, width, height, 0,
                            CopyFromParent, InputOutput, CopyFromParent,
                            CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    markTheWindow();
    cutTheCorners();
    drawing_ = std::make_unique<Drawing>(display.get(), window_);
    watch_ = events_->watch(
        window_, [this](const XEvent& event) { handle(event); },
        [this] {
            forget();
            if (onVisibility) onVisibility(false);
        });
    return true;
}

// Who the window is and how the window manager should treat it.
void X11OperatorBarSurface::markTheWindow() const {
    X11Display& display = events_->display();
    Display* x = display.get();
    std::string className(bundleIdentifier);
    std::string instanceName = "operating-bar";
    XClassHint classHint{instanceName.data(), className.data()};
    XSetClassHint(x, window_, &classHint);
    XStoreName(x, window_, "Tarvo");

    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = False;
    hints.initial_state = NormalState;
    XSetWMHints(x, window_, &hints);

    XSizeHints size{};
    size.flags = USPosition | PPosition | PMinSize | PMaxSize;
    size.min_width = size.max_width = width;
    size.min_height = size.max_height = height;
    XSetWMNormalHints(x, window_, &size);

    setCardinals(display, window_, "_NET_WM_PID", {static_cast<long>(getpid())});
    // Mapped at user time 0, the window is not to be focused when it appears.
    setCardinals(display, window_, "_NET_WM_USER_TIME", {0});
    setAtoms(display, window_, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_NOTIFICATION"});
    // No title bar or border: flags = decorations given, decorations = none.
    const long motif[5] = {2, 0, 0, 0, 0};
    const Atom motifHints = display.atom("_MOTIF_WM_HINTS");
    XChangeProperty(x, window_, motifHints, motifHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);
}

void X11OperatorBarSurface::cutTheCorners() const {
    Display* x = events_->display().get();
    const Pixmap mask = XCreatePixmap(x, window_, width, height, 1);
    const GC gc = XCreateGC(x, mask, 0, nullptr);
    XSetForeground(x, gc, 0);
    XFillRectangle(x, mask, gc, 0, 0, width, height);
    XSetForeground(x, gc, 1);
    fillRounded(x, mask, gc, width, height, cornerRadius);
    XShapeCombineMask(x, window_, ShapeBounding, 0, 0, mask, ShapeSet);
    XFreeGC(x, gc);
    XFreePixmap(x, mask);
}

std::optional<X11OperatorBarSurface::Origin> X11OperatorBarSurface::place() {
    if (!make()) return std::nullopt;
    const Area area = workArea(events_->display());
    frame_.origin = {area.x + (area.width - width) / 2, area.y + gap};
    XMoveWindow(events_->display().get(), window_, frame_.origin.x, frame_.origin.y);
    XFlush(events_->display().get());
    return frame_.origin;
}

OperatorBarSurface::Look X11OperatorBarSurface::look() {
    if (!canShow()) return {};
    const Look look = X11DesktopLook::read(events_->display());
    if (look.dark != dark_ && window_ != None) {
        dark_ = look.dark;
        draw();
    }
    dark_ = look.dark;
    return look;
}

void X11OperatorBarSurface::setFrame(Frame frame) {
    if (!make()) return;
    Display* x = events_->display().get();
    if (frame.origin != frame_.origin) XMoveWindow(x, window_, frame.origin.x, frame.origin.y);
    // A compositing manager fades the window by this; without one it only moves.
    setCardinals(events_->display(), window_, "_NET_WM_WINDOW_OPACITY",
                 {static_cast<long>(std::lround(std::clamp(frame.alpha, 0.0, 1.0) * 0xffffffffUL))});
    XFlush(x);
    frame_ = frame;
}

void X11OperatorBarSurface::orderFront() {
    if (!make()) return;
    X11Display& display = events_->display();
    if (!visible_) {
        // The window manager drops the state of a window taken off screen: it is given again.
        setAtoms(display, window_, "_NET_WM_STATE",
                 {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                  "_NET_WM_STATE_SKIP_PAGER"});
        mapSerial_ = NextRequest(display.get());
        XMapRaised(display.get(), window_);
    } else {
        XRaiseWindow(display.get(), window_);
    }
    visible_ = true;
    XFlush(display.get());
}

void X11OperatorBarSurface::orderOut() {
    if (window_ == None || !canShow()) return;
    XUnmapWindow(events_->display().get(), window_);
    XFlush(events_->display().get());
    visible_ = false;
}

void X11OperatorBarSurface::forget() {
    watch_.reset();
    drawing_.reset();
    window_ = None;
    visible_ = false;
}

void X11OperatorBarSurface::handle(const XEvent& event) {
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0) draw();
        break;
    case MapNotify:
        if (onVisibility) onVisibility(true);
        break;
    case UnmapNotify:
        if (event.xunmap.serial < mapSerial_) break;
        visible_ = false;
        if (onVisibility) onVisibility(false);
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window != window_) break;
        // The window is gone with everything drawn on it; the next show makes a new one.
        forget();
        if (onVisibility) onVisibility(false);
        break;
    case VisibilityNotify:
        if (!managed_ && visible_ && event.xvisibility.state != VisibilityUnobscured) {
            XRaiseWindow(events_->display().get(), window_);
            XFlush(events_->display().get());
        }
        break;
    case ButtonPress:
        if (event.xbutton.button == Button1) stopPressed_ = onStopButton(event.xbutton.x);
        break;
    case ButtonRelease:
        if (event.xbutton.button != Button1) break;
        if (stopPressed_ && onStopButton(event.xbutton.x) && onStop) RunLoop::current().post(onStop);
        stopPressed_ = false;
        break;
    default: break;
    }
}

bool X11OperatorBarSurface::onStopButton(int x) const { return x >= stopLeft_ - spacing && x < width - padding / 2; }

void X11OperatorBarSurface::draw() {
    if (!drawing_ || !canShow()) return;
    Display* x = events_->display().get();
    const TarvoPalette& palette = dark_ ? TarvoPalette::dark : TarvoPalette::light;
    Colour surface(x, palette.surface), line(x, palette.line), accent(x, palette.accent), ink(x, palette.ink);
    const GC gc = drawing_->gc;

    XSetForeground(x, gc, line.pixel());
    fillRounded(x, window_, gc, width, height, cornerRadius);
    XSetForeground(x, gc, surface.pixel());
    XFillRectangle(x, window_, gc, cornerRadius, 1, width - 2 * cornerRadius, height - 2);
    XFillRectangle(x, window_, gc, 1, cornerRadius, width - 2, height - 2 * cornerRadius);
    const int inner = 2 * cornerRadius - 2;
    const int corners[4][2] = {{1, 1}, {width - 1 - inner, 1}, {1, height - 1 - inner},
                               {width - 1 - inner, height - 1 - inner}};
    for (const auto& corner : corners) XFillArc(x, window_, gc, corner[0], corner[1], inner, inner, 0, 360 * 64);

    XSetForeground(x, gc, accent.pixel());
    XFillArc(x, window_, gc, padding, (height - dotSize) / 2, dotSize, dotSize, 0, 360 * 64);

    const auto baseline = [](const XftFont* font) { return (height - (font->ascent + font->descent)) / 2 + font->ascent; };
    if (XftFont* font = drawing_->messageFont) {
        XftDrawStringUtf8(drawing_->draw, ink.xft(), font, padding + dotSize + spacing, baseline(font),
                          reinterpret_cast<const FcChar8*>(message), static_cast<int>(std::strlen(message)));
    }
    if (XftFont* font = drawing_->stopFont) {
        XGlyphInfo extents{};
        XftTextExtentsUtf8(x, font, reinterpret_cast<const FcChar8*>(stopLabel),
                           static_cast<int>(std::strlen(stopLabel)), &extents);
        stopLeft_ = width - padding - extents.xOff;
        XftDrawStringUtf8(drawing_->draw, accent.xft(), font, stopLeft_, baseline(font),
                          reinterpret_cast<const FcChar8*>(stopLabel), static_cast<int>(std::strlen(stopLabel)));
    }
    XFlush(x);
}

} // namespace tarvo
