#pragma once

#include <optional>
#include <string>

namespace tarvo {

// The displays' power as an X server knows it: their DPMS level where the server has the
// extension, and the screen saver, which counts the time since the user's last input. Each call
// opens a connection of its own and closes it before it returns.
class X11DisplayPower {
public:
    // Whether the server's DPMS has put the monitors to sleep; nothing without a display that
    // opens or without DPMS on its server.
    static std::optional<bool> asleep(const std::string& display);
    // Resets the screen saver, as input would, and where the server has DPMS turns the monitors
    // on; false without a display that opens.
    static bool declareActivity(const std::string& display);
};

} // namespace tarvo
