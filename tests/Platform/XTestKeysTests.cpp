#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "Platform/XTestKeys.h"
#include "TarvoCore/Operator/MacKeyCodes.h"

namespace tarvo::testing {
namespace {

TEST(XTestKeysTest, KnowsExactlyTheKeysOfTheCoresTable) {
    EXPECT_EQ(XTestKeys::keysym("return"), KeySym{XK_Return});
    EXPECT_EQ(XTestKeys::keysym("enter"), KeySym{XK_KP_Enter});
    EXPECT_EQ(XTestKeys::keysym("delete"), KeySym{XK_BackSpace});
    EXPECT_EQ(XTestKeys::keysym("forward_delete"), KeySym{XK_Delete});
    EXPECT_EQ(XTestKeys::keysym("page_up"), KeySym{XK_Prior});
    EXPECT_EQ(XTestKeys::keysym("page_down"), KeySym{XK_Next});
    EXPECT_EQ(XTestKeys::keysym("a"), KeySym{XK_a});
    EXPECT_EQ(XTestKeys::keysym("7"), KeySym{XK_7});
    for (const char* unknown : {"A", "!", "f5", "", "Return"}) EXPECT_EQ(XTestKeys::keysym(unknown), std::nullopt) << unknown;
    for (const auto& [name, code] : MacKeyCodes::named) EXPECT_TRUE(XTestKeys::keysym(name)) << name;
    for (const auto& [name, code] : MacKeyCodes::characters) EXPECT_TRUE(XTestKeys::keysym(name)) << name;
}

TEST(XTestKeysTest, CommandAndControlAreOneShortcutKey) {
    EXPECT_EQ(XTestKeys::modifiers({"command", "shift"}), (std::vector<KeySym>{XK_Control_L, XK_Shift_L}));
    EXPECT_EQ(XTestKeys::modifiers({"control", "command", "option", "hyper"}), (std::vector<KeySym>{XK_Control_L, XK_Alt_L}));
    EXPECT_TRUE(XTestKeys::modifiers({}).empty());
}

} // namespace
} // namespace tarvo::testing
