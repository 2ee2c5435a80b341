#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "Platform/AtSpiElement.h"
#include "Platform/AtSpiWorker.h"
#include "TarvoCompanion/Operator/ElementRegistry.h"
#include "TarvoCore/Operator/AccessibilityReading.h"

namespace tarvo {

using AtSpiRegistry = ElementRegistry<AtSpiElement>;

// The front window of an app read over the accessibility bus, on its worker: the tree walked
// within the walk's limits, serialised with element ids, and the live element of each id kept
// in the registry for the actor. A read that fails keeps the app's earlier ids.
class AXReader final : public AccessibilityReading {
public:
    static constexpr int maxDepth = 14;
    static constexpr int maxNodes = 2000;
    static constexpr std::string_view notTrustedSentence =
        "Accessibility is off for Tarvo, so it cannot read the screen.";
    static constexpr std::string_view noWindowSentence = " has no window Tarvo can read.";

    // `trusted` tells whether the accessibility bus answers; it is asked on the worker.
    AXReader(std::shared_ptr<AtSpiRegistry> registry, std::shared_ptr<AtSpiWorker> worker,
             std::function<bool()> trusted);

    Task<AXSnapshot> snapshot(RunningApp of, std::int64_t generation, std::size_t budget) override;

private:
    std::shared_ptr<AtSpiRegistry> registry_;
    std::shared_ptr<AtSpiWorker> worker_;
    std::function<bool()> trusted_;
};

} // namespace tarvo
