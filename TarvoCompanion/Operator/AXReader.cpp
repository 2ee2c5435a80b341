#include "TarvoCompanion/Operator/AXReader.h"

#include <string>
#include <utility>

#include "Platform/AXUISource.h"
#include "TarvoCompanion/Operator/AXUIReads.h"
#include "TarvoCore/Operator/AXWalk.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {

AXReader::AXReader(std::shared_ptr<AtSpiRegistry> registry, std::shared_ptr<AtSpiWorker> worker,
                   std::function<bool()> trusted)
    : registry_(std::move(registry)), worker_(std::move(worker)), trusted_(std::move(trusted)) {}

Task<AXSnapshot> AXReader::snapshot(RunningApp of, std::int64_t generation, std::size_t budget) {
    auto read = [registry = registry_, trusted = trusted_, app = std::move(of), generation, budget] {
        if (!trusted()) throw OperatorPortFailure(std::string(notTrustedSentence));
        AXUISource source;
        const auto application = source.application(app.pid);
        const auto window = application ? AXUIReads::frontWindow(source, *application) : std::nullopt;
        if (!window) throw OperatorPortFailure(app.name + std::string(noWindowSentence));
        auto kept = AXWalk::buildKeeping<AtSpiElement>(source, *window, maxDepth, maxNodes);
        AXSnapshot snapshot = AXSnapshot::serialize(kept.tree, app.name, generation, budget);
        // A window larger than the walk may take is not all there even when its text fitted.
        snapshot.truncated = snapshot.truncated || kept.nodeLimitLeftOut;
        registry->install(app.pid, snapshot, kept.elements);
        return snapshot;
    };
    co_return co_await worker_->run(read);
}

} // namespace tarvo
