#include "Platform/LinuxSystemCalls.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

#include "Platform/DrmConnectors.h"
#include "Platform/X11DisplayPower.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> fileText(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    if (stream.bad()) return std::nullopt;
    return text;
}

std::string trimmed(std::string_view text) {
    const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return std::string(text);
}

std::string lowercasedAscii(std::string text) {
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length;
        char32_t point;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, point = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, point = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            point = (point << 6) | (next & 0x3F);
        }
        const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

// Texts that firmware writers leave in place of a name: they name nothing.
constexpr std::array<std::string_view, 8> firmwarePlaceholders{
    "to be filled by o.e.m.", "not specified",  "not applicable", "system product name",
    "system version",         "default string", "none",           "n/a",
};

bool isPlaceholder(std::string_view text) {
    const std::string key = lowercasedAscii(trimmed(text));
    return key.empty() || std::ranges::find(firmwarePlaceholders, key) != firmwarePlaceholders.end();
}

bool isOnline(const std::optional<std::string>& online) {
    if (!online) return false;
    const std::string value = trimmed(*online);
    return !value.empty() && std::ranges::all_of(value, [](unsigned char c) { return std::isdigit(c) != 0; }) &&
           value.find_first_not_of('0') != std::string::npos;
}

} // namespace

LinuxSystemCalls::LinuxSystemCalls(std::filesystem::path sysfsRoot, std::string display)
    : root_(std::move(sysfsRoot)), display_(std::move(display)) {}

std::string LinuxSystemCalls::displayOfSession() {
    const char* display = std::getenv("DISPLAY");
    return display ? display : "";
}

std::optional<bool> LinuxSystemCalls::everyDisplayAsleep() const {
    if (const std::optional<bool> asleep = X11DisplayPower::asleep(display_)) return asleep;
    const auto connectors = DrmConnectors::read(root_);
    return connectors ? DrmConnectors::everyDisplayOff(*connectors) : std::nullopt;
}

bool LinuxSystemCalls::declareActivity() const { return X11DisplayPower::declareActivity(display_); }

std::optional<std::string> LinuxSystemCalls::hardwareModel() const {
    return firmwareText(root_ / "class/dmi/id/product_name");
}

std::optional<std::string> LinuxSystemCalls::productName() const {
    const fs::path dmi = root_ / "class/dmi/id";
    std::error_code ignored;
    if (fs::exists(dmi, ignored)) return firmwareText(dmi / "product_version");
    return firmwareText(root_ / "firmware/devicetree/base/model");
}

std::optional<bool> LinuxSystemCalls::internalBattery() const {
    const auto supplies = powerSupplies();
    if (!supplies) return std::nullopt;
    return std::ranges::any_of(*supplies, [](const PowerSupply& supply) { return supply.type == "Battery"; });
}

// Like the system's "providing power source": external power whenever a supply delivers it or
// no battery could be running the computer; the battery when a fixed-line supply is off or the
// battery says it discharges.
std::optional<bool> LinuxSystemCalls::onACPower() const {
    const auto supplies = powerSupplies();
    if (!supplies) return std::nullopt;
    std::vector<PowerSupply> batteries;
    bool lineOff = false;
    for (const PowerSupply& supply : *supplies) {
        if (supply.type == "Battery") {
            batteries.push_back(supply);
        } else if (supply.online) {
            return true;
        } else if (supply.type == "Mains" || supply.type == "UPS") {
            lineOff = true;
        }
    }
    if (lineOff) return false;
    if (batteries.empty()) return true;
    if (std::ranges::any_of(batteries, [](const PowerSupply& b) { return b.status == "Discharging"; })) return false;
    const auto onExternal = [](const PowerSupply& b) {
        return b.status == "Charging" || b.status == "Full" || b.status == "Not charging";
    };
    if (std::ranges::all_of(batteries, onExternal)) return true;
    return std::nullopt;
}

// The text before the first NUL (the device tree ends its strings with one); nothing when the
// file is missing, is not UTF-8 or holds only a placeholder.
std::optional<std::string> LinuxSystemCalls::firmwareText(const fs::path& file) const {
    auto text = fileText(file);
    if (!text) return std::nullopt;
    text->resize(std::min(text->find('\0'), text->size()));
    if (!isValidUtf8(*text) || isPlaceholder(*text)) return std::nullopt;
    return text;
}

std::optional<std::vector<LinuxSystemCalls::PowerSupply>> LinuxSystemCalls::powerSupplies() const {
    std::vector<PowerSupply> supplies;
    std::error_code error;
    for (fs::directory_iterator entry(root_ / "class/power_supply", error); entry != fs::directory_iterator();
         entry.increment(error)) {
        const fs::path folder = entry->path();
        if (trimmed(fileText(folder / "scope").value_or("")) == "Device") continue;
        supplies.push_back(PowerSupply{trimmed(fileText(folder / "type").value_or("")),
                                       isOnline(fileText(folder / "online")),
                                       trimmed(fileText(folder / "status").value_or(""))});
    }
    if (error) return std::nullopt;
    return supplies;
}

} // namespace tarvo
