// Times the service client's HTTP transport against the curl command-line tool on the loopback
// fake service, and one request's time beside many held ones.
//
//   build/bench/http_transport_bench [--requests N] [--held H]

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "BenchFlags.h"
#include "Platform/CurlHttpTransport.h"
#include "Support/FakeService.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"

extern char** environ;

namespace {

using tarvo::HttpTransport;
using tarvo::RunLoop;
using tarvo::Task;
using tarvo::testing::FakeService;
using tarvo::testing::Gate;
using tarvo::testing::RecordedRequest;
using tarvo::testing::ScriptedAnswer;
using Clock = std::chrono::steady_clock;

constexpr int heartbeatSamples = 50;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void runCurl(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    int status = 0;
    if (posix_spawnp(&child, "curl", nullptr, nullptr, argv.data(), environ) != 0 ||
        waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("the curl command-line tool failed");
    }
}

Task<void> sequential(std::shared_ptr<HttpTransport> transport, std::string url, int count) {
    for (int i = 0; i < count; ++i) {
        HttpTransport::Request request{"GET", url, {}, {}};
        const HttpTransport::Response response = co_await transport->perform(std::move(request));
        if (response.status != 200) throw std::runtime_error("the service answered " + std::to_string(response.status));
    }
}

Task<void> poll(std::shared_ptr<HttpTransport> transport, std::string url, int* answered) {
    HttpTransport::Request request{"GET", url, {}, {}};
    co_await transport->perform(std::move(request));
    ++*answered;
}

double medianHeartbeatMilliseconds(RunLoop& loop, std::shared_ptr<HttpTransport> transport, const std::string& url) {
    std::vector<double> samples;
    for (int i = 0; i < heartbeatSamples; ++i) {
        HttpTransport::Request heartbeat{"POST", url, {{"content-type", "application/json"}}, std::string("{}")};
        const auto start = Clock::now();
        tarvo::runUntilDone(loop, transport->perform(std::move(heartbeat)));
        samples.push_back(1000 * secondsSince(start));
    }
    std::nth_element(samples.begin(), samples.begin() + heartbeatSamples / 2, samples.end());
    return samples[heartbeatSamples / 2];
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const tarvo::bench::BenchFlags flags(argc, argv, "http_transport_bench [--requests N] [--held H]",
                                         {{"--requests", "1000"}, {"--held", "200"}});
    const int requests = flags.count("--requests", 1);
    const int held = flags.count("--held");

    FakeService service;
    service.answer("GET", "/ping", 200, "{}");
    service.answer("POST", "/v1/relay/heartbeat", 200, "{}");
    auto release = std::make_shared<Gate>();
    std::atomic<int> arrived = 0;
    service.answerBy("GET", "/v1/operator/next", [&](const RecordedRequest&) {
        ++arrived;
        return ScriptedAnswer{.body = "{}", .gate = release};
    });
    const std::string ping = service.baseURL() + "/ping";

    RunLoop loop;
    auto transport = std::make_shared<tarvo::CurlHttpTransport>();
    tarvo::runUntilDone(loop, sequential(transport, ping, 10));
    auto start = Clock::now();
    tarvo::runUntilDone(loop, sequential(transport, ping, requests));
    const double ours = secondsSince(start);

    start = Clock::now();
    for (int i = 0; i < requests; ++i) runCurl({"curl", "-s", "-o", "/dev/null", ping});
    const double curlRuns = secondsSince(start);

    std::vector<std::string> oneProcess{"curl", "-s"};
    for (int i = 0; i < requests; ++i) oneProcess.insert(oneProcess.end(), {ping, "-o", "/dev/null"});
    start = Clock::now();
    runCurl(oneProcess);
    const double curlKeepAlive = secondsSince(start);

    fmt::print("| {} sequential GETs on loopback | total | per request | time / CurlHttpTransport's |\n", requests);
    fmt::print("|---|---|---|---|\n");
    auto row = [&](const char* name, double seconds) {
        fmt::print("| {} | {:.3f} s | {:.0f} µs | {:.2f} |\n", name, seconds, 1e6 * seconds / requests,
                   seconds / ours);
    };
    row("CurlHttpTransport", ours);
    row("`curl` run once per request", curlRuns);
    row("one `curl` process, keep-alive", curlKeepAlive);

    const std::string heartbeat = service.baseURL() + "/v1/relay/heartbeat";
    const double alone = medianHeartbeatMilliseconds(loop, transport, heartbeat);
    int answered = 0;
    for (int i = 0; i < held; ++i) tarvo::spawn(poll(transport, service.baseURL() + "/v1/operator/next", &answered));
    loop.runReady();
    start = Clock::now();
    while (arrived < held) {
        if (secondsSince(start) > 30) {
            std::cerr << "only " << arrived << " of the held polls reached the service\n";
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double beside = medianHeartbeatMilliseconds(loop, transport, heartbeat);
    release->open();
    while (answered < held) loop.runOnce();

    fmt::print("\n| heartbeat, median of {} | time |\n|---|---|\n", heartbeatSamples);
    fmt::print("| none held | {:.3f} ms |\n", alone);
    fmt::print("| beside {} held polls | {:.3f} ms |\n", held, beside);
    return 0;
}
