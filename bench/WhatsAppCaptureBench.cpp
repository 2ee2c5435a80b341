// Times one WhatsApp capture pass in the real browser over the chat app: a list of 300 chats of
// which the newest 6 changed, each with 40 new messages and two pictures, the pictures filling the
// pass's media budget. Sets the script's time against the waits the script itself made, and
// times the reading of its report (about 16 MiB) with the memory that reading takes.
//
//   build/bench/whatsapp_capture_bench [--rows N] [--changed N] [--messages N] [--pictures N] [--rounds N]


#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "BenchFlags.h"
#include "Platform/ChromiumPageHost.h"
#include "Support/TemporaryFolder.h"
#include "AllocationCount.h"
#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/Json.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/WhatsApp/CaptureScript.h"
#include "TarvoCore/WhatsApp/CapturedMessages.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace {

using namespace std::chrono_literals;
using tarvo::ChromiumPageHost;
using tarvo::Json;
using tarvo::RunLoop;
using tarvo::Task;
namespace WhatsAppWeb = tarvo::WhatsAppWeb;
using Clock = std::chrono::steady_clock;
using tarvo::bench::liveBytes;
using tarvo::bench::peakBytes;

constexpr auto patience = 60s;
constexpr std::int64_t picture = WhatsAppWeb::mediaBudgetBytes / 12;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Shape {
    int rows = 300;
    int changed = 6;
    int messages = 40;
    int pictures = 2;
};

// The chat list, newest first: the first `changed` chats carry the pass's new messages when
// `withNews` is set, and one older message otherwise.
Json chats(const Shape& shape, bool withNews) {
    Json list = Json::array();
    std::int64_t t = 1767000000;
    for (int row = 0; row < shape.rows; ++row) {
        Json messages = Json::array({{{"id", fmt::format("old{}", row)}, {"t", t - row}, {"text", "hello"}}});
        if (withNews && row < shape.changed) {
            for (int n = 0; n < shape.messages; ++n) {
                Json message{{"id", fmt::format("c{}m{}", row, n)}, {"t", t + n}, {"text", fmt::format("news {}", n)}};
                if (n < shape.pictures) {
                    message["text"] = "";
                    message["media"] = {{"type", "image"}, {"mime", "image/jpeg"}, {"size", picture}, {"blob", picture}};
                }
                messages.push_back(message);
            }
        }
        list.push_back({{"ref", fmt::format("4915{:09}@c.us", row)}, {"name", fmt::format("Person {}", row)},
                        {"messages", messages}});
    }
    return list;
}

Task<void> show(ChromiumPageHost* host, Json list) {
    Json state = Json::object();
    state["view"] = "chats";
    state["chats"] = std::move(list);
    co_await host->evaluate("fixture.reset(" + state.dump() + "), 'shown'", patience);
}

// The capture script as the pass runs it; with nothing known it is a first look, which
// baselines the whole list.
Task<std::string> capture(ChromiumPageHost* host, std::vector<std::string> known) {
    const std::string script = WhatsAppWeb::captureScript(6, 40, 3, known, false, 0, WhatsAppWeb::mediaBudgetBytes, {},
                                                          {}, 6, 20, {});
    const auto answer = co_await host->callAsyncFunction(
        "window.tarvoStop = false;\n" + script, Json::object(),
        std::chrono::duration_cast<tarvo::PageHost::Duration>(WhatsAppWeb::captureDeadline));
    if (!answer) throw std::runtime_error("the capture script gave no answer");
    co_return *answer;
}

// An answer of `size` bytes that costs the page nothing to make: what carrying the report from
// the browser costs alone.
Task<double> carried(ChromiumPageHost* host, std::size_t size) {
    const auto start = Clock::now();
    const auto answer = co_await host->callAsyncFunction(fmt::format("return 'x'.repeat({});", size), Json::object(),
                                                         std::chrono::duration_cast<tarvo::PageHost::Duration>(patience));
    if (!answer || answer->size() != size) throw std::runtime_error("the browser did not carry the answer");
    co_return millisecondsSince(start);
}

} // namespace

int main(int argc, char** argv) {
    const Shape defaults;
    const tarvo::bench::BenchFlags flags(
        argc, argv, "whatsapp_capture_bench [--rows N] [--changed N] [--messages N] [--pictures N] [--rounds R]",
        {{"--rows", std::to_string(defaults.rows)},
         {"--changed", std::to_string(defaults.changed)},
         {"--messages", std::to_string(defaults.messages)},
         {"--pictures", std::to_string(defaults.pictures)},
         {"--rounds", "3"}});
    const Shape shape{.rows = flags.count("--rows", 1),
                      .changed = flags.count("--changed"),
                      .messages = flags.count("--messages"),
                      .pictures = flags.count("--pictures")};
    const int rounds = flags.count("--rounds", 1);
    RunLoop loop;
    tarvo::testing::TemporaryFolder profile;
    ChromiumPageHost host(profile.path());
    host.serve(std::string(WhatsAppWeb::url), {.body = tarvo::AtomicFile::read(TARVO_CHAT_APP)});
    host.setUserAgent(std::string(WhatsAppWeb::userAgent));
    host.addScriptAtDocumentStart(WhatsAppWeb::alwaysVisibleScript());
    host.setPageSize(1100, 800);
    tarvo::runUntilDone(loop, host.navigate(std::string(WhatsAppWeb::url), patience));

    // The baseline: the list as the last pass saw it.
    tarvo::runUntilDone(loop, show(&host, chats(shape, false)));
    const std::string first = tarvo::runUntilDone(loop, capture(&host, {}));
    const WhatsAppWeb::ReadResult baseline = WhatsAppWeb::readMessages(first, std::chrono::system_clock::now());
    const Json news = chats(shape, true);

    std::vector<double> passes;
    std::vector<double> waits;
    std::vector<double> readings;
    std::vector<double> carrying;
    std::string answer;
    WhatsAppWeb::ReadResult read;
    for (int round = 0; round < rounds; ++round) {
        // The chat app makes each picture's bytes the first time it shows it, and keeps them:
        // the first round pays for that, so the median leaves it out.
        tarvo::runUntilDone(loop, show(&host, news));
        const auto start = Clock::now();
        answer = tarvo::runUntilDone(loop, capture(&host, baseline.fingerprints));
        passes.push_back(millisecondsSince(start));
        waits.push_back(Json::parse(answer).at("waitedMs").get<double>());
        const auto reading = Clock::now();
        read = WhatsAppWeb::readMessages(answer, std::chrono::system_clock::now());
        readings.push_back(millisecondsSince(reading));
        carrying.push_back(tarvo::runUntilDone(loop, carried(&host, answer.size())));
    }
    const std::int64_t before = liveBytes.load();
    peakBytes = before;
    read = WhatsAppWeb::readMessages(answer, std::chrono::system_clock::now());
    const double peakMiB = static_cast<double>(peakBytes.load() - before) / (1 << 20);
    const double reportMiB = static_cast<double>(answer.size()) / (1 << 20);

    std::cout << fmt::format("{} rows, {} changed chats of {} messages, {} pictures of {} bytes; {} rounds\n",
                             shape.rows, shape.changed, shape.messages, shape.pictures * shape.changed, picture, rounds);
    std::cout << fmt::format("read: {} messages, {} opened, {} with bytes, stage {}\n", read.messages.size(),
                             read.openedChats, read.mediaWithBytes,
                             read.stage ? std::string(WhatsAppWeb::name(*read.stage)) : "none");
    std::cout << fmt::format("the script: {:.0f} ms, its own waits {:.0f} ms ({:.2f}x)\n", median(passes),
                             median(waits), median(passes) / median(waits));
    std::cout << fmt::format("of which the browser carrying an answer of the report's size: {:.0f} ms\n",
                             median(carrying));
    std::cout << fmt::format("the report: {:.1f} MiB, read in {:.0f} ms, taking {:.1f} MiB more at most ({:.2f}x)\n",
                             reportMiB, median(readings), peakMiB, peakMiB / reportMiB);
    std::cout << fmt::format("the pass holds the page and the tick for about {:.0f} ms\n",
                             median(passes) + median(readings));
    return 0;
}
