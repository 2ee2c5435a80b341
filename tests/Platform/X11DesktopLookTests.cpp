#include <cstdint>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "Platform/X11DesktopLook.h"

namespace tarvo {
namespace {

// XSETTINGS data as a manager writes it, least significant byte first unless told otherwise.
class SettingsData {
public:
    explicit SettingsData(std::uint32_t count, bool mostFirst = false) : mostFirst_(mostFirst) {
        bytes_ += static_cast<char>(mostFirst ? 1 : 0);
        bytes_ += std::string(3, '\0');
        card(7, 4);
        card(count, 4);
    }
    SettingsData& integer(const std::string& name, std::int32_t value) {
        head(0, name);
        card(static_cast<std::uint32_t>(value), 4);
        return *this;
    }
    SettingsData& text(const std::string& name, const std::string& value) {
        head(1, name);
        card(static_cast<std::uint32_t>(value.size()), 4);
        padded(value);
        return *this;
    }
    SettingsData& colour(const std::string& name) {
        head(2, name);
        bytes_ += std::string(8, '\x7f');
        return *this;
    }
    const std::string& bytes() const { return bytes_; }

private:
    void head(std::uint8_t type, const std::string& name) {
        bytes_ += static_cast<char>(type);
        bytes_ += '\0';
        card(static_cast<std::uint32_t>(name.size()), 2);
        padded(name);
        card(1, 4);
    }
    void padded(const std::string& value) {
        bytes_ += value;
        bytes_ += std::string((4 - value.size() % 4) % 4, '\0');
    }
    void card(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = mostFirst_ ? 8 * (size - 1 - i) : 8 * i;
            bytes_ += static_cast<char>((value >> shift) & 0xff);
        }
    }

    bool mostFirst_;
    std::string bytes_;
};

TEST(X11DesktopLook, ReadsAnIntegerSettingPastTheOthersInEitherByteOrder) {
    const std::string name = "Gtk/EnableAnimations";
    for (const bool mostFirst : {false, true}) {
        const auto data = SettingsData(4, mostFirst)
                              .text("Net/ThemeName", "Adwaita")
                              .colour("Gtk/Colour")
                              .integer("Gtk/CursorBlink", 1)
                              .integer(name, 0)
                              .bytes();
        EXPECT_EQ(X11DesktopLook::integerSetting(data, name), 0);
        EXPECT_EQ(X11DesktopLook::integerSetting(data, "Gtk/CursorBlink"), 1);
        EXPECT_EQ(X11DesktopLook::integerSetting(data, "Net/ThemeName"), std::nullopt);
        EXPECT_EQ(X11DesktopLook::integerSetting(data, "Gtk/Missing"), std::nullopt);
    }
}

TEST(X11DesktopLook, MalformedDataGivesNothingAndReadsNoFurther) {
    const std::string name = "Gtk/EnableAnimations";
    const auto whole = SettingsData(1).integer(name, 0).bytes();
    for (std::size_t length = 0; length < whole.size(); ++length) {
        EXPECT_EQ(X11DesktopLook::integerSetting(whole.substr(0, length), name), std::nullopt) << length;
    }
    // A count larger than the settings there are, a name longer than the data, an unknown type.
    EXPECT_EQ(X11DesktopLook::integerSetting(SettingsData(1000).integer("a", 1).bytes(), "b"), std::nullopt);
    auto longName = SettingsData(1).integer("ab", 1).bytes();
    longName[14] = '\x7f';
    EXPECT_EQ(X11DesktopLook::integerSetting(longName, "ab"), std::nullopt);
    auto unknown = SettingsData(2).integer("ab", 1).integer(name, 0).bytes();
    unknown[12] = 9;
    EXPECT_EQ(X11DesktopLook::integerSetting(unknown, name), std::nullopt);
}

} // namespace
} // namespace tarvo
