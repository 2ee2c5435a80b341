#pragma once

#include <string>

#include "TarvoBase/Json.h"

namespace tarvo {

// A press already made for an operator step, given by its digest and time.
struct Pressed {
    std::string digest;
    std::string at;

    // Throws `JsonReadError`.
    static Pressed fromJson(const Json& json, std::string path = {});

    bool operator==(const Pressed&) const = default;
};

} // namespace tarvo
