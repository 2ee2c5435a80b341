#pragma once

#include <memory>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tarvo {

struct X11ImageRelease {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

using X11Image = std::unique_ptr<XImage, X11ImageRelease>;

} // namespace tarvo
