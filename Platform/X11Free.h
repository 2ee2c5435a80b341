#pragma once

#include <memory>

#include <X11/Xlib.h>

namespace tarvo {

// What Xlib hands out to be given back with XFree.
struct X11Free {
    void operator()(void* data) const { XFree(data); }
};

template <class Item>
using X11Owned = std::unique_ptr<Item, X11Free>;

} // namespace tarvo
