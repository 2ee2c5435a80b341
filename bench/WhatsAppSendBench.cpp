// Times the send of one 16 MiB picture through the WhatsApp session in the real browser over the
// chat app: from the call of `send` to the chat app's file input holding the picture, and to the
// send's end, with the companion's peak memory rise over the picture's size and the browser's.
//
//   build/bench/whatsapp_send_bench [--megabytes N] [--rounds R]

#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
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
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Ports/HeadlessDesktop.h"
#include "TarvoCompanion/Ports/HeadlessScreens.h"
#include "TarvoCompanion/RecordingOpener.h"
#include "TarvoCompanion/WhatsApp/HostedWhatsAppSession.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace {

using namespace std::chrono_literals;
using tarvo::ChromiumPageHost;
using tarvo::HostedWhatsAppSession;
using tarvo::Json;
using tarvo::RunLoop;
using tarvo::Task;
namespace WhatsAppWeb = tarvo::WhatsAppWeb;
using Clock = std::chrono::steady_clock;
using tarvo::bench::liveBytes;
using tarvo::bench::peakBytes;

constexpr auto patience = 60s;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double mebibytes(std::int64_t bytes) { return static_cast<double>(bytes) / (1 << 20); }

// The browser and every process below it, by their parents in /proc.
std::vector<pid_t> processTree(pid_t root) {
    std::vector<pid_t> tree{root};
    for (std::size_t at = 0; at < tree.size(); ++at) {
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::ifstream stat(entry.path() / "stat");
            std::string line;
            std::getline(stat, line);
            const auto close = line.rfind(')');
            if (close == std::string::npos) continue;
            char state = 0;
            pid_t parent = 0;
            std::istringstream(line.substr(close + 1)) >> state >> parent;
            if (parent == tree[at]) tree.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    return tree;
}

// The proportional set size of the browser's processes, in bytes.
std::int64_t browserBytes(const ChromiumPageHost& host) {
    const auto browser = host.browserProcess();
    if (!browser) return 0;
    std::int64_t kilobytes = 0;
    for (const pid_t process : processTree(*browser)) {
        std::ifstream rollup("/proc/" + std::to_string(process) + "/smaps_rollup");
        for (std::string key; rollup >> key;) {
            std::int64_t value = 0;
            if (key == "Pss:" && rollup >> value) {
                kilobytes += value;
                break;
            }
        }
    }
    return kilobytes * 1024;
}

// A PNG's signature and then noise: the size is what the send carries, the bytes matter not.
WhatsAppWeb::OutgoingFile picture(std::int64_t size) {
    std::string bytes("\x89PNG\r\n\x1a\n", 8);
    bytes.resize(static_cast<std::size_t>(size));
    std::uint32_t state = 2463534242u;
    for (std::size_t at = 8; at < bytes.size(); ++at) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[at] = static_cast<char>(state);
    }
    return {"big", "big.png", "image/png", std::move(bytes)};
}

struct Round {
    double toInput = 0;
    double whole = 0;
    std::int64_t companionRise = 0;
    std::int64_t browserPeak = 0;
};

// Samples the browser's memory until `done`.
Task<void> watchBrowser(ChromiumPageHost* host, std::shared_ptr<bool> done, std::shared_ptr<std::int64_t> peak) {
    while (!*done) {
        *peak = std::max(*peak, browserBytes(*host));
        co_await tarvo::sleepFor(100ms);
    }
}

Task<Round> sendOnce(std::shared_ptr<HostedWhatsAppSession> session, ChromiumPageHost* host,
                     WhatsAppWeb::OutgoingFile file, std::string ref) {
    // The chat app's inputs take the file on their "change"; the page notes when, on the clock
    // both sides share.
    const std::string shown = fmt::format(
        "fixture.reset({{ chats: [{{ ref: {0}, name: 'Person' }}], open: {0} }}); fixture.events.length = 0;"
        "window.benchGiven = null;"
        "document.addEventListener('change', () => {{ if (window.benchGiven === null) window.benchGiven = Date.now(); }}, true);"
        "'ready'",
        Json(ref).dump());
    co_await host->evaluate(shown, patience);
    auto done = std::make_shared<bool>(false);
    auto browserPeak = std::make_shared<std::int64_t>(browserBytes(*host));
    tarvo::spawn(watchBrowser(host, done, browserPeak));
    const std::int64_t before = liveBytes.load();
    peakBytes = before;
    const auto startedAt = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
    const auto start = Clock::now();
    std::vector<WhatsAppWeb::OutgoingFile> files;
    files.push_back(std::move(file));
    const WhatsAppWeb::SendOutcome outcome = co_await session->send(ref, std::string(), std::move(files), std::nullopt);
    Round round{.whole = millisecondsSince(start), .companionRise = peakBytes.load() - before};
    *done = true;
    round.browserPeak = *browserPeak;
    if (!outcome.ok) throw std::runtime_error("the send failed: " + outcome.reason.value_or(""));
    const std::string asked = "String(window.benchGiven)";
    const auto given = co_await host->evaluate(asked, patience);
    round.toInput = static_cast<double>(std::stoll(given.value_or("0")) - startedAt);
    co_return round;
}

} // namespace

int main(int argc, char** argv) {
    const tarvo::bench::BenchFlags flags(argc, argv, "whatsapp_send_bench [--megabytes N] [--rounds R]",
                                         {{"--megabytes", "16"}, {"--rounds", "3"}});
    const std::int64_t size = std::int64_t{flags.count("--megabytes", 1)} << 20;
    const int rounds = flags.count("--rounds", 1);
    RunLoop loop;
    tarvo::testing::TemporaryFolder folder;
    auto host = std::make_shared<ChromiumPageHost>((folder / "profile").string());
    host->serve(std::string(WhatsAppWeb::url), {.body = tarvo::AtomicFile::read(TARVO_CHAT_APP)});
    auto defaults = std::make_shared<tarvo::MemorySettingsStore>();
    defaults->set(Json(true), tarvo::WhatsAppSession::enabledKey);
    auto session = std::make_shared<HostedWhatsAppSession>(HostedWhatsAppSession::Parts{
        .page = host,
        .defaults = defaults,
        .screens = std::make_shared<tarvo::HeadlessScreens>(),
        .desktop = std::make_shared<tarvo::HeadlessDesktop>(host),
        .opener = std::make_shared<tarvo::testing::RecordingOpener>(),
        .userFolder = folder / "run",
        .linkPicture = folder / "whatsapp-link.png",
    });
    const auto settle = [&]() -> Task<bool> {
        for (auto waited = 0s; waited < patience; waited += 1s) {
            if (co_await session->settledState() == WhatsAppWeb::SessionState::linked()) co_return true;
            co_await tarvo::sleepFor(1s);
        }
        co_return false;
    };
    if (!tarvo::runUntilDone(loop, settle())) {
        std::cerr << "the chat app never showed a linked session\n";
        return 1;
    }

    const std::string ref = "4915000000001@c.us";
    const WhatsAppWeb::OutgoingFile file = picture(size);
    std::vector<double> toInput;
    std::vector<double> whole;
    std::int64_t companionRise = 0;
    std::int64_t browserPeak = 0;
    const std::int64_t browserBefore = browserBytes(*host);
    for (int round = 0; round < rounds; ++round) {
        const Round r = tarvo::runUntilDone(loop, sendOnce(session, host.get(), file, ref));
        toInput.push_back(r.toInput);
        whole.push_back(r.whole);
        companionRise = std::max(companionRise, r.companionRise);
        browserPeak = std::max(browserPeak, r.browserPeak);
    }
    std::cout << fmt::format("a picture of {:.0f} MiB, {} rounds\n", mebibytes(size), rounds);
    std::cout << fmt::format("send to the chat app's input holding it: {:.0f} ms (median; fastest {:.0f}, slowest {:.0f})\n",
                             median(toInput), *std::min_element(toInput.begin(), toInput.end()),
                             *std::max_element(toInput.begin(), toInput.end()));
    std::cout << fmt::format("the whole send, its scripts' waits included: {:.0f} ms (median)\n", median(whole));
    std::cout << fmt::format("the companion's peak memory rise: {:.1f} MiB ({:.2f}x the picture)\n",
                             mebibytes(companionRise), static_cast<double>(companionRise) / static_cast<double>(size));
    std::cout << fmt::format("the browser's memory (PSS): {:.0f} MiB before, {:.0f} MiB at most during a send\n",
                             mebibytes(browserBefore), mebibytes(browserPeak));
    return 0;
}
