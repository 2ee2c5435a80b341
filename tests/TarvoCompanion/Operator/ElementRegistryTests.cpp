#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TarvoCompanion/Operator/ElementRegistry.h"

namespace tarvo::testing {
namespace {

// A live element stands in as a shared name, so a test can see when the registry lets go of it.
using Element = std::shared_ptr<const std::string>;

AXSnapshot snapshotWith(std::map<std::string, std::size_t> refs) {
    AXSnapshot snapshot;
    snapshot.elementRefs = std::move(refs);
    return snapshot;
}

std::optional<std::string> nameOf(const ElementRegistry<Element>& registry, const std::string& id, std::int32_t pid) {
    const std::optional<Element> found = registry.element(id, pid);
    if (!found) return std::nullopt;
    return **found;
}

TEST(ElementRegistryTest, ANewReadOfAProcessReplacesItsWholeMapAndLeavesOtherProcessesAlone) {
    ElementRegistry<Element> registry;
    const std::vector<Element> first{std::make_shared<const std::string>("ok"),
                                     std::make_shared<const std::string>("cancel")};
    registry.install(10, snapshotWith({{"1.1", 0}, {"1.2", 1}}), first);
    registry.install(20, snapshotWith({{"1.1", 1}}), first);
    std::weak_ptr<const std::string> cancel = first[1];

    const std::vector<Element> second{std::make_shared<const std::string>("send")};
    registry.install(10, snapshotWith({{"2.1", 0}, {"1.1", 0}}), second);

    EXPECT_EQ(nameOf(registry, "1.2", 10), std::nullopt);
    EXPECT_EQ(nameOf(registry, "2.1", 10), "send");
    EXPECT_EQ(nameOf(registry, "1.1", 10), "send") << "an id listed again names the newer element";
    EXPECT_EQ(nameOf(registry, "1.1", 20), "cancel");
    EXPECT_EQ(nameOf(registry, "2.1", 20), std::nullopt) << "ids never cross processes";
    EXPECT_EQ(nameOf(registry, "1.1", 30), std::nullopt);
    EXPECT_FALSE(cancel.expired()) << "the other process still holds it";
}

TEST(ElementRegistryTest, ReleasesTheElementsOfAReplacedMapAndSkipsPositionsOutsideTheWalk) {
    ElementRegistry<Element> registry;
    std::weak_ptr<const std::string> old;
    {
        const std::vector<Element> first{std::make_shared<const std::string>("ok")};
        old = first[0];
        registry.install(10, snapshotWith({{"1.1", 0}, {"1.2", 5}}), first);
    }
    EXPECT_FALSE(old.expired());
    EXPECT_EQ(nameOf(registry, "1.2", 10), std::nullopt);

    registry.install(10, snapshotWith({}), {});
    EXPECT_TRUE(old.expired());
    EXPECT_EQ(nameOf(registry, "1.1", 10), std::nullopt);
}

} // namespace
} // namespace tarvo::testing
