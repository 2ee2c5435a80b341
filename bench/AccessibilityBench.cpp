// Times a read of a 500-node window of the test application over the accessibility bus (the
// median of 20) and one attribute read of one element, on a desktop of its own under Xvfb.
//
//   build/bench/accessibility_bench [--rows N] [--rounds R]

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "BenchFlags.h"
#include "Platform/AXUISource.h"
#include "Platform/AtSpiWorker.h"
#include "Support/DesktopSession.h"
#include "Support/RunningProgram.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Operator/AXReader.h"
#include "TarvoCompanion/Operator/AXUIReads.h"
#include "TarvoCore/Operator/AXWalk.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace {

using Steady = std::chrono::steady_clock;
using namespace tarvo;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    // Each row is a cell and its text: 245 rows and the window's own controls make 500 nodes.
    const tarvo::bench::BenchFlags flags(argc, argv, "accessibility_bench [--rows N] [--rounds R]",
                                         {{"--rows", "245"}, {"--rounds", "20"}});
    const int rows = flags.count("--rows", 1);
    const int rounds = flags.count("--rounds", 1);
    std::string why;
    const auto desktop = testing::DesktopSession::start({}, why);
    if (!desktop) {
        std::cerr << "no desktop: " << why << "\n";
        return 1;
    }
    testing::RunningProgram app(TARVO_OPERATED_APP, {"--rows", std::to_string(rows)}, {});
    if (!app.waitFor("ready ")) {
        std::cerr << "the test application did not start:\n" << app.output();
        return 1;
    }
    RunLoop loop;
    auto registry = std::make_shared<AtSpiRegistry>();
    auto worker = std::make_shared<AtSpiWorker>();
    AXReader reader(registry, worker, [] { return true; });
    RunningApp operated;
    operated.name = "Operated";
    operated.pid = app.pid();
    // Budget enough for every line, so the whole window is serialised too.
    constexpr std::size_t wholeWindow = 1'000'000;

    AXSnapshot snapshot;
    const auto deadline = Steady::now() + std::chrono::seconds(30);
    while (true) {
        try {
            snapshot = runUntilDone(loop, reader.snapshot(operated, 1, wholeWindow));
            break;
        } catch (const OperatorPortFailure&) {
            if (Steady::now() > deadline) {
                std::cerr << "the test application never showed on the accessibility bus\n";
                return 1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    std::vector<double> reads;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Steady::now();
        snapshot = runUntilDone(loop, reader.snapshot(operated, round + 2, wholeWindow));
        reads.push_back(millisecondsSince(start));
    }

    // One attribute of one element, read again and again: the text of the entry, which the bus
    // library never keeps, so each read asks the application.
    auto attribute = [pid = operated.pid, rounds] {
        AXUISource source;
        const auto application = source.application(pid);
        const auto window = application ? AXUIReads::frontWindow(source, *application) : std::nullopt;
        std::vector<double> times;
        if (!window) return times;
        const auto walk = AXWalk::buildKeeping<AtSpiElement>(source, *window, AXReader::maxDepth, AXReader::maxNodes);
        const auto entry = std::find_if(walk.elements.begin(), walk.elements.end(), [&](const AtSpiElement& e) {
            return source.string(AXUISource::roleAttribute, e) == "AXTextField";
        });
        if (entry == walk.elements.end()) return times;
        for (int round = 0; round < 10 * rounds; ++round) {
            const auto start = Steady::now();
            (void)source.string(AXUISource::valueAttribute, *entry);
            times.push_back(millisecondsSince(start));
        }
        return times;
    };
    const std::vector<double> attributeReads = runUntilDone(loop, [&]() -> Task<std::vector<double>> {
        co_return co_await worker->run(attribute);
    }());

    std::cout << fmt::format("window of {} nodes ({} actionable), text {} lines\n", snapshot.elementCount,
                             snapshot.elements.size(), snapshot.elementCount);
    std::cout << fmt::format("snapshot, median of {}: {:.1f} ms (fastest {:.1f}, slowest {:.1f})\n", reads.size(),
                             median(reads), *std::min_element(reads.begin(), reads.end()),
                             *std::max_element(reads.begin(), reads.end()));
    if (!attributeReads.empty())
        std::cout << fmt::format("one attribute read (AXValue), median of {}: {:.3f} ms\n", attributeReads.size(),
                                 median(attributeReads));
    return 0;
}
