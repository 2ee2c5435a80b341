#pragma once

#include <string>

namespace tarvo {

// The desktop's clipboard, where a code is put for the user to paste.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // Whether this computer has a clipboard to put anything on: a desktop, and a way onto it.
    virtual bool exists() const = 0;
    // Puts `text` on the clipboard in place of what it held; throws `std::runtime_error` with a
    // plain reason when it could not.
    virtual void put(const std::string& text) = 0;
};

} // namespace tarvo
