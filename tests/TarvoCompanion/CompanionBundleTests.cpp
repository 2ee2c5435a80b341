#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "TarvoBase/BundleInfo.h"
#include "TarvoCore/Companion/CompanionVersion.h"

using tarvo::BundleInfo;
using tarvo::CompanionVersion;

namespace {

BundleInfo besideExecutable(const char* executable) {
    return BundleInfo::read(std::filesystem::path(executable).parent_path() / BundleInfo::fileName);
}

} // namespace

// The version the companion tells the service and the one its bundle carries come from one
// place; so does the handler's, which answers the extension.
TEST(CompanionBundle, BothDeliverablesCarryTheVersionTheCompanionTellsTheService) {
    for (const char* executable : {TARVO_COMPANION_EXECUTABLE, TARVO_SAFARI_EXECUTABLE}) {
        const BundleInfo info = besideExecutable(executable);
        EXPECT_EQ(info.string(BundleInfo::shortVersionKey), CompanionVersion::version) << executable;
        EXPECT_EQ(info.string(BundleInfo::versionKey), std::to_string(CompanionVersion::build)) << executable;
    }
    const BundleInfo companion = besideExecutable(TARVO_COMPANION_EXECUTABLE);
    EXPECT_EQ(companion.string(BundleInfo::safariHandlerKey), TARVO_SAFARI_EXECUTABLE);
    EXPECT_TRUE(companion.string(BundleInfo::feedURLKey)) << "present, empty unless the build is given a feed";
    EXPECT_TRUE(companion.string(BundleInfo::publicEDKeyKey));
}
