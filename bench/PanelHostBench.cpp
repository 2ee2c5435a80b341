// Times loading a page of 20 iframes from a loopback service into the panel's web view, whose
// every document request waits in the browser for the panel's navigation, beside the same load
// into the plain page host, which lets the browser fetch on its own.
//
//   build/bench/panel_host_bench [--loads N]

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "BenchFlags.h"
#include "Platform/ChromiumPageHost.h"
#include "Platform/ChromiumPanelHost.h"
#include "Support/FakeService.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Panel/SavedFiles.h"

namespace {

using namespace std::chrono_literals;
using tarvo::ChromiumPageHost;
using tarvo::ChromiumPanelHost;
using tarvo::RunLoop;
using tarvo::Task;
using Clock = std::chrono::steady_clock;

constexpr auto patience = 60s;
constexpr int frames = 20;

// Nothing is downloaded here.
struct NoSavedFiles final : tarvo::SavedFiles {
    explicit NoSavedFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::filesystem::path downloadsFolder() const override { return folder_; }
    std::optional<std::string> markDownloaded(const std::filesystem::path&, const std::optional<std::string>&,
                                              const std::optional<std::string>&) override {
        return std::nullopt;
    }
    std::optional<std::string> typeOfExtension(const std::string&) const override { return std::nullopt; }
    void open(const std::filesystem::path&) override {}
    void reveal(const std::filesystem::path&) override {}

private:
    std::filesystem::path folder_;
};

struct NoOpener final : tarvo::Opener {
    void open(const std::string&) override {}
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each load goes to a new address, so no frame comes from the browser's cache.
template <class Host>
Task<std::vector<double>> timeLoads(Host* host, std::string base, int loads) {
    co_await host->navigate(base + "/app/bench?warm", patience);
    std::vector<double> times;
    for (int i = 0; i < loads; ++i) {
        const auto start = Clock::now();
        co_await host->navigate(base + "/app/bench?" + std::to_string(i), patience);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    co_return times;
}

} // namespace

int main(int argc, char** argv) {
    const tarvo::bench::BenchFlags flags(argc, argv, "panel_host_bench [--loads N]", {{"--loads", "50"}});
    const int loads = flags.count("--loads", 1);
    tarvo::testing::FakeService service;
    std::string page = "<title>bench</title>";
    for (int frame = 0; frame < frames; ++frame) page += fmt::format("<iframe src='/app/frame/{}'></iframe>", frame);
    const tarvo::testing::ScriptedAnswer answer{
        .status = 200, .body = page, .headers = {{"Content-Type", "text/html"}, {"Cache-Control", "no-store"}}};
    const tarvo::testing::ScriptedAnswer frameAnswer{
        .status = 200, .body = "<p>frame</p>", .headers = {{"Content-Type", "text/html"}, {"Cache-Control", "no-store"}}};
    service.answerRest([&](const tarvo::testing::RecordedRequest& request) {
        return request.path.starts_with("/app/bench") ? answer : frameAnswer;
    });

    RunLoop loop;
    std::vector<double> plain;
    std::vector<double> intercepted;
    {
        tarvo::testing::TemporaryFolder profile;
        ChromiumPageHost host(profile.path());
        plain = tarvo::runUntilDone(loop, timeLoads(&host, service.baseURL(), loads));
    }
    {
        tarvo::testing::TemporaryFolder profile;
        tarvo::testing::TemporaryFolder downloads;
        auto host = std::make_shared<ChromiumPanelHost>(ChromiumPanelHost::Options{.profileFolder = profile.path()},
                                                        nullptr, std::make_shared<NoSavedFiles>(downloads.path()));
        host->useNavigation(std::make_shared<tarvo::PanelNavigation>(
            *tarvo::WebAddress::parse(service.baseURL() + "/app"), nullptr, nullptr, nullptr,
            std::make_shared<NoOpener>()));
        intercepted = tarvo::runUntilDone(loop, timeLoads(host.get(), service.baseURL(), loads));
    }
    const double without = median(plain);
    const double with = median(intercepted);
    std::cout << fmt::format("a page of {} iframes, median of {} loads\n", frames, loads);
    std::cout << fmt::format("  without interception  {:8.2f} ms\n", without);
    std::cout << fmt::format("  with interception     {:8.2f} ms\n", with);
    std::cout << fmt::format("  added                 {:8.2f} ms (goal: under 20 ms)\n", with - without);
    return 0;
}
