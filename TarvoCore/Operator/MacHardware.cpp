#include "TarvoCore/Operator/MacHardware.h"

#include <algorithm>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

std::optional<std::string> cleaned(std::optional<std::string> reading) {
    if (!reading) return std::nullopt;
    std::erase(*reading, '\0');
    std::string text = Text::trimmingWhitespaceAndNewlines(*reading);
    if (text.empty()) return std::nullopt;
    return Text::graphemePrefix(text, MacHardware::maximumCharacters);
}

} // namespace

std::optional<bool> MacHardware::isLaptop() const {
    if (kind) return kind->isLaptop();
    return internalBattery;
}

MacHardware MacHardware::read(const MacHardwareReadings& from) {
    MacHardware hardware;
    hardware.hardwareModel = cleaned(from.hardwareModel());
    hardware.modelName = cleaned(from.productName());
    hardware.kind = MacKind::from(hardware.modelName, hardware.hardwareModel);
    hardware.internalBattery = from.internalBattery();
    return hardware;
}

} // namespace tarvo
