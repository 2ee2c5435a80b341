#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Platform/LinuxSystemCalls.h"
#include "Support/TemporaryFolder.h"
#include "TarvoCore/Operator/MacHardware.h"

using namespace tarvo;
namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& contents) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << contents;
}

struct Supply {
    std::string name, type;
    std::optional<std::string> online = {};
    std::optional<std::string> scope = {};
    std::optional<std::string> status = {};
};

void writeSupplies(const fs::path& sysfs, const std::vector<Supply>& supplies) {
    fs::create_directories(sysfs / "class/power_supply");
    for (const Supply& supply : supplies) {
        const fs::path folder = sysfs / "class/power_supply" / supply.name;
        write(folder / "type", supply.type + "\n");
        if (supply.online) write(folder / "online", *supply.online + "\n");
        if (supply.scope) write(folder / "scope", *supply.scope + "\n");
        if (supply.status) write(folder / "status", *supply.status + "\n");
    }
}

} // namespace

TEST(LinuxSystemCalls, ModelFromTheFirmwareTableElseTheDeviceTree) {
    struct Case {
        const char* name;
        std::optional<std::string> productName, productVersion, deviceTreeModel;
        MacHardware expected;
    };
    const Case cases[] = {
        {"marketing name in the version", "20XW0026US\n", "ThinkPad X1 Carbon Gen 9\n", {},
         {"20XW0026US", "ThinkPad X1 Carbon Gen 9", {}, {}}},
        {"identifier in the name", "MacBookPro11,1\n", "1.0\n", {}, {"MacBookPro11,1", "1.0", MacKind::macBookPro, {}}},
        {"placeholders", "To Be Filled By O.E.M.\n", " Not Specified \n", {}, {}},
        {"blank version", "System Product Name\n", "\n", {}, {}},
        {"not UTF-8", "\xff\xfe" "Box\n", "Caf\xc3\xa9 9\n", {}, {{}, "Caf\xc3\xa9 9", {}, {}}},
        {"firmware table without a version", "XPS 13 9310\n", {}, "ignored", {"XPS 13 9310", {}, {}, {}}},
        {"device tree", {}, {}, std::string("Raspberry Pi 4 Model B Rev 1.4\0", 31),
         {{}, "Raspberry Pi 4 Model B Rev 1.4", {}, {}}},
        {"nothing", {}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        tarvo::testing::TemporaryFolder sysfs;
        if (c.productName) write(sysfs / "class/dmi/id/product_name", *c.productName);
        if (c.productVersion) write(sysfs / "class/dmi/id/product_version", *c.productVersion);
        if (c.deviceTreeModel) write(sysfs / "firmware/devicetree/base/model", *c.deviceTreeModel);
        EXPECT_EQ(MacHardware::read(LinuxSystemCalls(sysfs.path())), c.expected) << c.name;
    }
}

TEST(LinuxSystemCalls, BatteryAndExternalPowerFromThePowerSupplies) {
    struct Case {
        const char* name;
        std::optional<std::vector<Supply>> supplies;
        std::optional<bool> battery, acPower;
    };
    const Supply acOn{"AC", "Mains", "1"};
    const Supply acOff{"AC", "Mains", "0"};
    const auto battery = [](std::string status) { return Supply{"BAT0", "Battery", {}, "System", status}; };
    const Case cases[] = {
        {"no power-supply class", std::nullopt, std::nullopt, std::nullopt},
        {"a desktop lists none", std::vector<Supply>{}, false, true},
        {"plugged in and charging", std::vector{acOn, battery("Charging")}, true, true},
        {"plugged in under load", std::vector{acOn, battery("Discharging")}, true, true},
        {"unplugged", std::vector{acOff, battery("Discharging")}, true, false},
        {"unplugged at full charge", std::vector{acOff, battery("Full")}, true, false},
        {"battery alone, discharging", std::vector{battery("Discharging")}, true, false},
        {"battery alone, full", std::vector{battery("Full")}, true, true},
        {"battery alone, not charging", std::vector{battery("Not charging")}, true, true},
        {"battery alone, status unknown", std::vector{battery("Unknown")}, true, std::nullopt},
        {"desktop on its UPS battery", std::vector<Supply>{{"ups", "UPS", "0"}}, false, false},
        {"desktop with an idle USB-C port", std::vector<Supply>{{"ucsi-source-psy-1", "USB", "0"}}, false, true},
        {"charging over USB-C", std::vector{Supply{"ucsi-source-psy-1", "USB", "2"}, battery("Discharging")}, true, true},
        {"only a mouse's battery", std::vector<Supply>{{"hidpp_battery_0", "Battery", {}, "Device", "Discharging"}}, false,
         true},
    };
    for (const auto& c : cases) {
        tarvo::testing::TemporaryFolder sysfs;
        if (c.supplies) writeSupplies(sysfs.path(), *c.supplies);
        const LinuxSystemCalls calls(sysfs.path());
        EXPECT_EQ(calls.internalBattery(), c.battery) << c.name;
        EXPECT_EQ(calls.onACPower(), c.acPower) << c.name;
    }
}
