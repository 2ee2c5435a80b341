#include <gtest/gtest.h>

#include "TarvoCore/Companion/SafariSetup.h"

namespace tarvo::testing {
namespace {

TEST(SafariSetup, OnlyACarriedExtensionIsShownAndOnlyTheBrowsersYesMakesItOn) {
    struct Case {
        bool embedded;
        bool enabled;
        SafariSetup expected;
    };
    for (const Case& c : {Case{false, false, SafariSetup::hidden}, Case{false, true, SafariSetup::hidden},
                          Case{true, true, SafariSetup::on}, Case{true, false, SafariSetup::offer}}) {
        EXPECT_EQ(SafariSetup::decide(c.embedded, c.enabled), c.expected) << c.embedded << " " << c.enabled;
    }
}

} // namespace
} // namespace tarvo::testing
