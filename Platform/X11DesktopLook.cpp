#include "Platform/X11DesktopLook.h"

#include <cstdint>
#include <memory>
#include <string>

#include <systemd/sd-bus.h>

#include "Platform/X11Property.h"

namespace tarvo {
namespace {

// Reads the XSETTINGS data field by field, in the byte order its first byte names; every read
// checks the bounds, and a short read marks the whole data as malformed.
class SettingsReader {
public:
    explicit SettingsReader(std::string_view data) : data_(data) {}

    bool ok() const { return ok_; }

    std::uint32_t card(std::size_t size) {
        if (!ok_ || data_.size() - at_ < size) {
            ok_ = false;
            return 0;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            const auto byte = static_cast<std::uint8_t>(data_[at_ + (mostFirst_ ? i : size - 1 - i)]);
            value = (value << 8) | byte;
        }
        at_ += size;
        return value;
    }

    std::string_view text(std::size_t length) {
        const std::size_t padded = (length + 3) / 4 * 4;
        if (!ok_ || data_.size() - at_ < padded) {
            ok_ = false;
            return {};
        }
        const std::string_view taken = data_.substr(at_, length);
        at_ += padded;
        return taken;
    }

    void skip(std::size_t size) {
        if (!ok_ || data_.size() - at_ < size) {
            ok_ = false;
            return;
        }
        at_ += size;
    }
    void byteOrderFromFirst() { mostFirst_ = card(1) == 1; }

private:
    std::string_view data_;
    std::size_t at_ = 0;
    bool mostFirst_ = false;
    bool ok_ = true;
};

std::optional<std::string> xsettingsData(X11Display& display) {
    const std::string selection = "_XSETTINGS_S" + std::to_string(display.screen());
    const Window owner = XGetSelectionOwner(display.get(), display.atom(selection.c_str()));
    if (owner == None) return std::nullopt;
    const Atom settings = display.atom("_XSETTINGS_SETTINGS");
    // A manager that goes away between the two calls leaves a BadWindow, recorded and harmless.
    const X11Property property = X11Property::read(display, owner, settings, settings);
    if (property.format() != 8) return std::nullopt;
    return property.text();
}

struct BusClose {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct ErrorFree {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    ~ErrorFree() { sd_bus_error_free(&error); }
};

// The portal's "color-scheme": 1 prefers dark, 2 light, 0 says nothing. `method` is "ReadOne",
// or the older "Read", whose answer wraps the value in one more variant.
std::optional<std::uint32_t> colourScheme(sd_bus* bus, const char* method) {
    ErrorFree failed;
    sd_bus_message* raw = nullptr;
    if (sd_bus_call_method(bus, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                           "org.freedesktop.portal.Settings", method, &failed.error, &raw, "ss",
                           "org.freedesktop.appearance", "color-scheme") < 0) {
        return std::nullopt;
    }
    const std::unique_ptr<sd_bus_message, MessageUnref> reply(raw);
    const bool wrapped = std::string_view(method) == "Read";
    if (wrapped && sd_bus_message_enter_container(reply.get(), 'v', "v") < 0) return std::nullopt;
    if (sd_bus_message_enter_container(reply.get(), 'v', "u") < 0) return std::nullopt;
    std::uint32_t scheme = 0;
    if (sd_bus_message_read(reply.get(), "u", &scheme) < 0) return std::nullopt;
    return scheme;
}

} // namespace

OperatorBarSurface::Look X11DesktopLook::read(X11Display& display) {
    OperatorBarSurface::Look look;
    look.dark = portalPrefersDark().value_or(false);
    if (const auto data = xsettingsData(display)) {
        look.reduceMotion = integerSetting(*data, "Gtk/EnableAnimations") == 0;
    }
    return look;
}

std::optional<int> X11DesktopLook::integerSetting(std::string_view data, std::string_view name) {
    SettingsReader reader(data);
    reader.byteOrderFromFirst();
    reader.skip(3);
    reader.card(4); // serial
    const std::uint32_t count = reader.card(4);
    for (std::uint32_t i = 0; i < count && reader.ok(); ++i) {
        const std::uint32_t type = reader.card(1);
        reader.skip(1);
        const std::string_view settingName = reader.text(reader.card(2));
        reader.card(4); // last change
        switch (type) {
        case 0: {
            const auto value = static_cast<std::int32_t>(reader.card(4));
            if (reader.ok() && settingName == name) return value;
            break;
        }
        case 1: reader.text(reader.card(4)); break;
        case 2: reader.skip(8); break;
        default: return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<bool> X11DesktopLook::portalPrefersDark() {
    sd_bus* raw = nullptr;
    if (sd_bus_open_user(&raw) < 0) return std::nullopt;
    const std::unique_ptr<sd_bus, BusClose> bus(raw);
    sd_bus_set_method_call_timeout(bus.get(), 500000);
    auto scheme = colourScheme(bus.get(), "ReadOne");
    if (!scheme) scheme = colourScheme(bus.get(), "Read");
    if (!scheme || *scheme == 0) return std::nullopt;
    return *scheme == 1;
}

} // namespace tarvo
