#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "Platform/AtSpiRoles.h"
#include "TarvoCore/Operator/AXSnapshot.h"

namespace tarvo::testing {
namespace {

TEST(AtSpiRolesTest, NamesTheDesktopsRolesInTheCoresWords) {
    struct Case {
        AtspiRole role;
        bool multiLine;
        std::string_view name;
        std::optional<std::string_view> subrole;
    };
    const Case cases[] = {
        {ATSPI_ROLE_PUSH_BUTTON, false, "AXButton", std::nullopt},
        {ATSPI_ROLE_CHECK_BOX, false, "AXCheckBox", std::nullopt},
        {ATSPI_ROLE_TOGGLE_BUTTON, false, "AXCheckBox", std::nullopt},
        {ATSPI_ROLE_RADIO_BUTTON, false, "AXRadioButton", std::nullopt},
        {ATSPI_ROLE_TEXT, false, "AXTextField", std::nullopt},
        {ATSPI_ROLE_TEXT, true, "AXTextArea", std::nullopt},
        {ATSPI_ROLE_ENTRY, false, "AXTextField", std::nullopt},
        {ATSPI_ROLE_PASSWORD_TEXT, false, "AXSecureTextField", "AXSecureTextField"},
        {ATSPI_ROLE_PASSWORD_TEXT, true, "AXSecureTextField", "AXSecureTextField"},
        {ATSPI_ROLE_COMBO_BOX, false, "AXPopUpButton", std::nullopt},
        {ATSPI_ROLE_MENU_ITEM, false, "AXMenuItem", std::nullopt},
        {ATSPI_ROLE_LINK, false, "AXLink", std::nullopt},
        {ATSPI_ROLE_LABEL, false, "AXStaticText", std::nullopt},
        {ATSPI_ROLE_FRAME, false, "AXWindow", std::nullopt},
        {ATSPI_ROLE_WINDOW, false, "AXWindow", std::nullopt},
        {ATSPI_ROLE_DIALOG, false, "AXWindow", "AXDialog"},
        {ATSPI_ROLE_ALERT, false, "AXWindow", "AXSystemDialog"},
        {ATSPI_ROLE_FILE_CHOOSER, false, "AXWindow", "AXDialog"},
        {ATSPI_ROLE_UNKNOWN, false, "AXUnknown", std::nullopt},
        {ATSPI_ROLE_INVALID, false, "AXUnknown", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AtSpiRoles::role(c.role, c.multiLine), c.name) << c.role;
        EXPECT_EQ(AtSpiRoles::subrole(c.role), c.subrole) << c.role;
    }
}

TEST(AtSpiRolesTest, EveryControlTheServiceMayActOnCanBeReached) {
    std::set<std::string_view> reached;
    for (int role = ATSPI_ROLE_INVALID; role < ATSPI_ROLE_LAST_DEFINED; ++role)
        for (const bool multiLine : {false, true}) reached.insert(AtSpiRoles::role(static_cast<AtspiRole>(role), multiLine));
    for (const std::string_view actionable : AXSnapshot::actionableRoles)
        EXPECT_TRUE(reached.contains(actionable)) << actionable;
}

} // namespace
} // namespace tarvo::testing
