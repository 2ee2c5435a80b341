#include "Platform/X11Property.h"

namespace tarvo {

X11Property X11Property::read(X11Display& display, Window window, Atom name, Atom type) {
    Atom actualType = None;
    X11Property found;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display.get(), window, name, 0, 1 << 16, False, type, &actualType,
                                          &found.format_, &found.count_, &after, &data);
    found.data_.reset(data);
    if (status != Success || actualType != type) return {};
    return found;
}

X11Property X11Property::read(X11Display& display, Window window, const char* name, Atom type) {
    return read(display, window, display.atom(name), type);
}

std::string X11Property::text() const {
    if (!data_ || format_ != 8) return {};
    return std::string(reinterpret_cast<const char*>(data_.get()), count_);
}

} // namespace tarvo
