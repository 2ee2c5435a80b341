#pragma once

#include <systemd/sd-bus.h>

#include <memory>

namespace tarvo {

// Owners of sd-bus's objects, each released by its own unref call.

struct SdBusRelease {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using SdBus = std::unique_ptr<sd_bus, SdBusRelease>;

struct SdBusSlotRelease {
    void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using SdBusSlot = std::unique_ptr<sd_bus_slot, SdBusSlotRelease>;

struct SdBusMessageRelease {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using SdBusMessage = std::unique_ptr<sd_bus_message, SdBusMessageRelease>;

// A call's error, freed when it goes.
class SdBusError {
public:
    SdBusError() = default;
    ~SdBusError() { sd_bus_error_free(&error_); }
    SdBusError(const SdBusError&) = delete;
    SdBusError& operator=(const SdBusError&) = delete;

    sd_bus_error* get() { return &error_; }
    bool has(const char* name) const { return sd_bus_error_has_name(&error_, name); }

private:
    sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

} // namespace tarvo
