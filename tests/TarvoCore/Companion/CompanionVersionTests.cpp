#include <gtest/gtest.h>

#include "TarvoCore/Companion/CompanionVersion.h"

using tarvo::CompanionVersion;

namespace {

class NamedComputer final : public tarvo::ComputerName {
public:
    std::optional<std::string> name;
    std::optional<std::string> current() const override { return name; }
};

} // namespace

TEST(CompanionVersion, IdentityCarriesTheNameReadAfreshEachTime) {
    auto computer = std::make_shared<NamedComputer>();
    CompanionVersion::useComputerName(computer);

    computer->name = std::nullopt;
    EXPECT_EQ(CompanionVersion::deviceName(), "Mac");
    EXPECT_EQ(CompanionVersion::identity().deviceName, "Mac");

    computer->name = "";
    EXPECT_EQ(CompanionVersion::deviceName(), "") << "an empty name the system gives is used as it is";

    computer->name = "Ada's laptop";
    const auto identity = CompanionVersion::identity();
    EXPECT_EQ(identity.platform, "macos");
    EXPECT_EQ(identity.build, 114);
    EXPECT_EQ(identity.version, "0.1.0");
    EXPECT_EQ(identity.deviceName, "Ada's laptop");
    EXPECT_EQ(identity.osVersion, std::nullopt);

    computer->name = "Renamed";
    EXPECT_EQ(CompanionVersion::identity().deviceName, "Renamed");

    CompanionVersion::useComputerName(nullptr);
    EXPECT_EQ(CompanionVersion::deviceName(), "Mac");
}
