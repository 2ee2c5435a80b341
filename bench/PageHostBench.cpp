// Times the page host on the real browser: from nothing to a served page that answers a
// script, one script's round trip, and the memory the browser's processes hold meanwhile.
//
//   build/bench/page_host_bench [--starts N] [--calls N]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "BenchFlags.h"
#include "Platform/ChromiumPageHost.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"

namespace {

using namespace std::chrono_literals;
using tarvo::ChromiumPageHost;
using tarvo::RunLoop;
using tarvo::Task;
using Clock = std::chrono::steady_clock;

constexpr auto patience = 60s;
const std::string address = "https://web.whatsapp.com/";
const std::string page = "<title>chats</title><div id=app>ready</div>";

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * values.size()))];
}

Task<void> firstUsablePage(ChromiumPageHost* host) {
    co_await host->navigate(address, patience);
    const auto text = co_await host->evaluate("document.getElementById('app').textContent", patience);
    if (text != "ready") {
        throw std::runtime_error("the served page did not answer");
    }
}

Task<std::vector<double>> roundTrips(ChromiumPageHost* host, int calls) {
    std::vector<double> times;
    for (int i = 0; i < calls; ++i) {
        const auto start = Clock::now();
        const auto title = co_await host->evaluate("document.title", patience);
        if (!title) throw std::runtime_error("no title");
        times.push_back(millisecondsSince(start));
    }
    co_return times;
}

// The browser and every process below it, by their parents in /proc.
std::vector<pid_t> processTree(pid_t root) {
    std::multimap<pid_t, pid_t> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const auto afterName = line.rfind(')');
        if (afterName == std::string::npos) continue;
        char state = 0;
        pid_t parent = 0;
        if (std::sscanf(line.c_str() + afterName + 1, " %c %d", &state, &parent) == 2) {
            children.emplace(parent, std::stoi(name));
        }
    }
    std::vector<pid_t> tree{root};
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const auto [first, last] = children.equal_range(tree[i]);
        for (auto child = first; child != last; ++child) tree.push_back(child->second);
    }
    return tree;
}

// The browser names each helper's kind in its command line, which the helper may have
// rewritten as one line: "--type=renderer", "--type=utility --utility-sub-type=...".
std::string processKind(pid_t process) {
    std::ifstream file("/proc/" + std::to_string(process) + "/cmdline");
    const std::string line{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    auto option = [&](const std::string& name) {
        const auto at = line.find(name);
        if (at == std::string::npos) return std::string();
        const auto from = at + name.size();
        return line.substr(from, line.find_first_of(std::string(" \0", 2), from) - from);
    };
    const std::string kind = option("--type=");
    if (kind.empty()) return "browser";
    const std::string subType = option("--utility-sub-type=");
    return subType.empty() ? kind : kind + " (" + subType + ")";
}

long pssKilobytes(pid_t process) {
    std::ifstream rollup("/proc/" + std::to_string(process) + "/smaps_rollup");
    std::string key;
    long value = 0;
    while (rollup >> key) {
        if (key == "Pss:" && rollup >> value) return value;
        rollup.ignore(1 << 16, '\n');
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const tarvo::bench::BenchFlags flags(argc, argv, "page_host_bench [--starts N] [--calls N]",
                                         {{"--starts", "5"}, {"--calls", "1000"}});
    const int starts = flags.count("--starts", 1);
    const int calls = flags.count("--calls", 1);
    RunLoop loop;

    std::vector<double> startTimes;
    for (int i = 0; i < starts; ++i) {
        tarvo::testing::TemporaryFolder profile;
        ChromiumPageHost host(profile.path());
        host.serve(address, {.body = page});
        const auto start = Clock::now();
        tarvo::runUntilDone(loop, firstUsablePage(&host));
        startTimes.push_back(millisecondsSince(start));
    }

    tarvo::testing::TemporaryFolder profile;
    ChromiumPageHost host(profile.path());
    host.serve(address, {.body = page});
    tarvo::runUntilDone(loop, firstUsablePage(&host));
    const std::vector<double> times = tarvo::runUntilDone(loop, roundTrips(&host, calls));
    const std::vector<pid_t> tree = processTree(host.browserProcess().value());
    long pss = 0;
    std::map<std::string, long> pssByKind;
    for (const pid_t process : tree) {
        const long kilobytes = pssKilobytes(process);
        pss += kilobytes;
        pssByKind[processKind(process)] += kilobytes;
    }

    std::cout << fmt::format("| measure | value |\n|---|---|\n");
    std::cout << fmt::format("| start to first usable page (median of {}, fresh profile) | {:.0f} ms |\n", starts,
                             median(startTimes));
    std::cout << fmt::format("| evaluate round trip (median of {}) | {:.3f} ms |\n", calls, median(times));
    std::cout << fmt::format("| evaluate round trip, 99th percentile | {:.3f} ms |\n", percentile(times, 0.99));
    std::cout << fmt::format("| PSS of the browser's {} processes | {:.1f} MiB |\n", tree.size(), pss / 1024.0);
    for (const auto& [kind, kilobytes] : pssByKind) {
        std::cout << fmt::format("| PSS of {} | {:.1f} MiB |\n", kind, kilobytes / 1024.0);
    }
}
