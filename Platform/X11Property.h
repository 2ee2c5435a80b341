#pragma once

#include <optional>
#include <string>
#include <vector>

#include <X11/Xlib.h>

#include "Platform/X11Free.h"
#include "Platform/X11Display.h"

namespace tarvo {

// One property of a window as the server keeps it, read whole (up to 2^16 items); missing when
// the window has none of that type, or is gone.
class X11Property {
public:
    static X11Property read(X11Display& display, Window window, Atom name, Atom type);
    static X11Property read(X11Display& display, Window window, const char* name, Atom type);

    bool present() const { return data_ != nullptr; }
    int format() const { return format_; }

    // The 32-bit items; none for a property of another format.
    template <class Item>
    std::vector<Item> items() const {
        std::vector<Item> found;
        if (!data_ || format_ != 32) return found;
        const auto* values = reinterpret_cast<const long*>(data_.get());
        found.reserve(count_);
        for (unsigned long i = 0; i < count_; ++i) found.push_back(static_cast<Item>(values[i]));
        return found;
    }

    // The bytes of an 8-bit property; none for another format.
    std::string text() const;

private:
    X11Owned<unsigned char> data_;
    int format_ = 0;
    unsigned long count_ = 0;
};

} // namespace tarvo
