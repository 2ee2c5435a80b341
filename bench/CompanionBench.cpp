// What the running companion costs the computer: runs the companion program against the
// stand-in service program, in a home of its own whose Messages database (generated, indexed as
// the Messages app indexes it, in WAL mode, at the default path) holds many messages, and
// measures it from /proc while nothing happens and while a writer in another process adds one
// message a second:
//
//   build/bench/companion_bench [--messages 1000000,10000] [--minutes 10] [--warmup-seconds 30]
//                               [--companion PATH] [--stand-in-service PATH]
//
// (the last two run other builds of the programs than the ones built beside the bench, to compare
// them).
//
// For each database size: the start-up (generation left out), then an idle phase with no new
// rows, then a busy phase with the writer; for each phase the CPU time of the companion (user +
// system, all its threads), its wake-ups (voluntary context switches of its threads), the
// requests that reached the service, its peak and final resident memory, and in the busy phase
// the delay from each row's commit to its arrival at the service. Then a restart: 3,000 messages
// of the last hour handed over, the companion stopped and started again while the writer adds a
// message a second for a minute; the posts the new program repeats, its first heartbeat, and the
// delay of each new message. The bench reruns itself as the writer:
//
//   companion_bench --writer DATABASE --seconds S [--prefix P]
//   companion_bench --hour DATABASE --count N
//
// The first adds a message dated now every second for S seconds and prints, after each commit,
// the message's guid and the steady clock in microseconds; the second adds N messages dated over
// the last N seconds in one transaction.
//
// Stopped by SIGINT, SIGTERM or SIGHUP, or when one of its programs ends before its time, it ends
// the programs and removes its folder before it exits; a second signal ends it at once.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <unistd.h>

#include "BenchFlags.h"
#include "GeneratedMessages.h"
#include "Support/AccessTokens.h"
#include "Support/MessagesDatabaseFixture.h"
#include "Support/RunningProgram.h"
#include "Support/ServiceRecord.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/Clock.h"
#include "TarvoBase/Json.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"
#include "TarvoCore/Messages/ChatDatabase/SqliteConnection.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tarvo::Json;
using tarvo::SystemClock;
using tarvo::testing::MessagesDatabaseFixture;
using tarvo::testing::RunningProgram;
using tarvo::testing::ServiceRecord;
using tarvo::testing::TemporaryFolder;
using Seconds = std::chrono::duration<double>;

constexpr const char* usage =
    "companion_bench [--messages 1000000,10000] [--minutes 10] [--warmup-seconds 30] [--companion PATH] "
    "[--stand-in-service PATH]\n"
    "       companion_bench --writer DATABASE --seconds S [--prefix P]\n"
    "       companion_bench --hour DATABASE --count N";

// The first SIGINT, SIGTERM or SIGHUP, which every wait looks at.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void noteStop(int number) { stopSignal = number; }

void catchStops() {
    struct sigaction action {};
    action.sa_handler = noteStop;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

struct Stopped : std::runtime_error {
    explicit Stopped(int number)
        : std::runtime_error(fmt::format("stopped by signal {}", number)), signal(number) {}
    int signal;
};

// The last `count` lines of a program's output.
std::string lastLines(const std::string& output, int count) {
    std::size_t from = output.size();
    for (int seen = 0; from > 0 && seen <= count;) {
        if (output[--from] == '\n') ++seen;
    }
    return output.substr(from == 0 ? 0 : from + 1);
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

std::int64_t steadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(SystemClock().now().time_since_epoch()).count();
}

// The value of a "Name:   123 kB" line of a /proc status file, or 0.
std::int64_t statusField(const fs::path& status, const std::string& name) {
    std::ifstream in(status);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(name + ":")) return std::stoll(line.substr(name.size() + 1));
    }
    return 0;
}

// What the process has cost so far, read from /proc.
struct Reading {
    double cpuSeconds = 0;
    std::int64_t wakeUps = 0;
    std::int64_t peakKiB = 0;
    std::int64_t residentKiB = 0;
    std::int64_t threads = 0;
    SystemClock::Instant at = {};
};

// User and system time of every thread the process had, dead ones included, in seconds.
double cpuSeconds(pid_t pid) {
    std::string stat = fileText(fmt::format("/proc/{}/stat", pid));
    // The fields after the command name, which may itself hold spaces and parentheses.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::vector<std::string> field;
    for (std::string one; fields >> one;) field.push_back(one);
    // State is field 3 of the whole line; utime and stime are 14 and 15.
    const double ticks = std::stod(field.at(11)) + std::stod(field.at(12));
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// A thread goes to sleep of its own accord once per wake-up; the threads alive now are counted.
std::int64_t wakeUps(pid_t pid, std::int64_t& threads) {
    std::int64_t total = 0;
    threads = 0;
    std::error_code gone;
    for (const auto& task : fs::directory_iterator(fmt::format("/proc/{}/task", pid), gone)) {
        total += statusField(task.path() / "status", "voluntary_ctxt_switches");
        ++threads;
    }
    return total;
}

Reading read(pid_t pid) {
    Reading reading;
    reading.at = SystemClock().now();
    reading.cpuSeconds = cpuSeconds(pid);
    reading.wakeUps = wakeUps(pid, reading.threads);
    const fs::path status = fmt::format("/proc/{}/status", pid);
    reading.peakKiB = statusField(status, "VmHWM");
    reading.residentKiB = statusField(status, "VmRSS");
    return reading;
}

// Starts the peak resident memory over at the present one.
void resetPeak(pid_t pid) { std::ofstream(fmt::format("/proc/{}/clear_refs", pid)) << "5"; }

struct Phase {
    std::string name;
    Reading start = {};
    Reading end = {};
    std::vector<double> delays = {}; // seconds from commit to arrival, of the rows that arrived
    int written = 0;
    std::int64_t requests = 0; // that reached the service
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::string row(int messages, const Phase& phase) {
    const double wall = Seconds(phase.end.at - phase.start.at).count();
    const double cpu = phase.end.cpuSeconds - phase.start.cpuSeconds;
    const double minutes = wall / 60;
    std::string delay = "–";
    if (phase.written > 0) {
        const double worst = phase.delays.empty() ? 0 : *std::max_element(phase.delays.begin(), phase.delays.end());
        delay = fmt::format("{:.2f} / {:.2f} s ({} of {} arrived)", median(phase.delays), worst, phase.delays.size(),
                            phase.written);
    }
    return fmt::format("| {:>9} | {:<8} | {:>5.0f} s | {:>7.2f} s | {:>7.3f} % | {:>8.0f} | {:>6.1f} | {:>7.1f} MiB | "
                       "{:>7.1f} MiB | {} |",
                       messages, phase.name, wall, cpu, 100 * cpu / wall,
                       static_cast<double>(phase.end.wakeUps - phase.start.wakeUps) / minutes,
                       static_cast<double>(phase.requests) / minutes,
                       static_cast<double>(phase.end.peakKiB) / 1024,
                       static_cast<double>(phase.end.residentKiB) / 1024, delay);
}

// A new message should be at the service this soon after its commit: the live reading runs
// every 5 seconds.
constexpr double lateSeconds = 6;

// The companion asks the service to hold a poll for the operator up to 25 seconds.
constexpr int operatorPollHoldMs = 25000;

// A computer of the companion's own: a home with the settings that point it at the stand-in
// service, a token pair in its secret store, and the Messages database where it looks for it.
class Computer {
public:
    struct Programs {
        std::string companion;
        std::string service;
    };

    Computer(int messages, Programs programs)
        : programs_(std::move(programs)), record_(home_ / "service-record.jsonl") {
        for (const char* folder : {"tmp", "run", "cache", "state", "Library/Messages"}) {
            fs::create_directories(home_ / folder);
        }
        fs::permissions(home_ / "run", fs::perms::owner_all);
        // Held open for the whole run, as the Messages app holds its database.
        app_.emplace(databasePath());
        fmt::print("generating {} messages\n", messages);
        const auto start = SystemClock().now();
        tarvo::bench::GeneratedMessages::fill(*app_, messages);
        fmt::print("generated {} messages in {:.0f} s: {:.0f} MiB\n", messages,
                   Seconds(SystemClock().now() - start).count(),
                   static_cast<double>(fs::file_size(databasePath())) / (1 << 20));
        check();
    }

    // A companion that logs out as the user does leaves nothing of its own behind.
    ~Computer() {
        if (!companion_ || companion_->hasEnded()) return;
        companion_->signal(SIGTERM);
        const auto deadline = SystemClock().now() + 10s;
        while (!companion_->hasEnded() && SystemClock().now() < deadline) std::this_thread::sleep_for(50ms);
    }

    Computer(const Computer&) = delete;
    Computer& operator=(const Computer&) = delete;

    // Throws when the bench was told to stop or one of its programs ended.
    void check() const {
        if (stopSignal != 0) throw Stopped(stopSignal);
        if (service_ && service_->hasEnded()) {
            throw std::runtime_error("the stand-in service ended:\n" + lastLines(service_->output(), 20));
        }
        if (companion_ && companion_->hasEnded()) {
            throw std::runtime_error("the companion ended:\n" + lastLines(companion_->output(), 20));
        }
    }

    void pause(Seconds length) const {
        const auto until = SystemClock().now() + std::chrono::duration_cast<SystemClock::Duration>(length);
        for (check(); SystemClock().now() < until; check()) {
            std::this_thread::sleep_until(std::min(until, SystemClock().now() + SystemClock::Duration(100ms)));
        }
    }

    // Waits for a writer of this computer to finish; throws when it failed.
    void finish(RunningProgram& writer) const {
        for (check(); !writer.hasEnded(); check()) std::this_thread::sleep_for(100ms);
        if (writer.exitStatus() != 0) throw std::runtime_error("the writer failed: " + writer.output());
    }

    // Waits, up to `longest`, until what the service received `holds`.
    bool waitUntil(const std::function<bool(const ServiceRecord&)>& holds, std::chrono::seconds longest) const {
        return record_.waitUntil(
            [&](const ServiceRecord& seen) {
                check();
                return holds(seen);
            },
            longest);
    }

    fs::path databasePath() const { return home_ / "Library/Messages/chat.db"; }
    const ServiceRecord& record() const { return record_; }

    // The service holds an operator poll open for as long as the companion lets it while it has
    // nothing for the Mac to do; the stand-in's own short hold would have the companion poll
    // sixteen times as often.
    void startService() {
        const fs::path script = home_ / "service-script.json";
        writeFile(script, Json{{"answers", Json::array({Json{{"method", "POST"},
                                                             {"path", "/v1/mac/operator/next"},
                                                             {"delayMs", operatorPollHoldMs}}})}}
                              .dump());
        service_.emplace(programs_.service,
                         std::vector<std::string>{"--record", record_.path().string(), "--script", script.string()},
                         std::map<std::string, std::string>{});
        if (!service_->waitFor("\n")) throw std::runtime_error("the stand-in service did not start: " + service_->output());
        const std::string url = "http://127.0.0.1:" + service_->output().substr(0, service_->output().find('\n'));
        writeFile(home_ / "config/tarvo/settings.json",
                  Json{{"TarvoBaseURL", url}, {"TarvoApiURL", url}, {"TarvoDeviceId", "device-bench"}}.dump());
        const fs::path secrets = home_ / "data/com.tarvo.companion/secrets.json";
        writeFile(secrets, Json{{"accessToken", tarvo::testing::accessTokenExpiringAt(4'000'000'000.0)},
                                {"refreshToken", "refresh-bench"}}
                               .dump());
        fs::permissions(secrets, fs::perms::owner_read | fs::perms::owner_write);
        fs::permissions(secrets.parent_path(), fs::perms::owner_all);
    }

    RunningProgram& startCompanion() {
        companion_.emplace(programs_.companion, std::vector<std::string>{},
                           std::map<std::string, std::string>{{"HOME", home_.path().string()},
                                                              {"XDG_CONFIG_HOME", (home_ / "config").string()},
                                                              {"XDG_DATA_HOME", (home_ / "data").string()},
                                                              {"XDG_CACHE_HOME", (home_ / "cache").string()},
                                                              {"XDG_STATE_HOME", (home_ / "state").string()},
                                                              {"XDG_RUNTIME_DIR", (home_ / "run").string()},
                                                              {"TMPDIR", (home_ / "tmp").string()}});
        return *companion_;
    }

    // Stops the companion as the user's logging out does, and starts it again.
    RunningProgram& restartCompanion() {
        companion_->signal(SIGTERM);
        const int status = companion_->exitStatus();
        if (status != 0) throw std::runtime_error("the companion stopped with status " + std::to_string(status));
        companion_.reset();
        return startCompanion();
    }

    // Stops both programs; answers the companion's exit status and its output.
    std::pair<int, std::string> stop() {
        companion_->signal(SIGTERM);
        const int status = companion_->exitStatus();
        service_->signal(SIGTERM);
        service_->exitStatus();
        return {status, companion_->output()};
    }

private:
    Programs programs_;
    TemporaryFolder home_;
    ServiceRecord record_;
    std::optional<MessagesDatabaseFixture> app_;
    std::optional<RunningProgram> service_;
    std::optional<RunningProgram> companion_;
};

// Arrival at the service of every message ingested, by guid.
std::map<std::string, std::int64_t> arrivals(const ServiceRecord& record) {
    std::map<std::string, std::int64_t> arrived;
    for (const Json& request : record.requests("POST", "/v1/ingest")) {
        arrived.emplace(request["body"].value("externalMessageId", ""), request["arrivedAtMicros"].get<std::int64_t>());
    }
    return arrived;
}

// The requests that arrived at the service within the phase.
std::int64_t requestsWithin(const ServiceRecord& record, const Phase& phase) {
    const auto micros = [](SystemClock::Instant at) {
        return std::chrono::duration_cast<std::chrono::microseconds>(at.time_since_epoch()).count();
    };
    const std::vector<Json> requests = record.requests();
    return std::count_if(requests.begin(), requests.end(), [&](const Json& request) {
        const std::int64_t arrived = request["arrivedAtMicros"].get<std::int64_t>();
        return arrived >= micros(phase.start.at) && arrived < micros(phase.end.at);
    });
}

// The writer's lines: guid and commit time.
std::map<std::string, std::int64_t> commits(const std::string& output) {
    std::map<std::string, std::int64_t> committed;
    std::istringstream lines(output);
    for (std::string guid, micros; lines >> guid >> micros;) committed[guid] = std::stoll(micros);
    return committed;
}

// Waits, up to `longest`, for every message of `committed` to reach the service.
void waitForArrivals(const Computer& computer, const std::map<std::string, std::int64_t>& committed,
                     std::chrono::seconds longest) {
    computer.waitUntil(
        [&](const ServiceRecord& seen) {
            const auto arrived = arrivals(seen);
            return std::all_of(committed.begin(), committed.end(),
                               [&](const auto& commit) { return arrived.contains(commit.first); });
        },
        longest);
}

// A start after the last hour's messages were handed over: how many posts the new program
// repeats, when its first heartbeat leaves, and how long each message written in its first
// minute takes to reach the service.
struct Restart {
    int handedOver = 0;
    int repeated = 0;
    double firstHeartbeatSeconds = -1;
    std::vector<double> delays = {};
    int written = 0;
};

constexpr int restartHour = 3000;
constexpr int restartWriterSeconds = 60;

std::string restartRow(int messages, const Restart& restart) {
    const double worst = restart.delays.empty() ? 0 : *std::max_element(restart.delays.begin(), restart.delays.end());
    return fmt::format("| {:>9} | {} of {} | {:.1f} s | {:.2f} / {:.2f} s ({} of {} arrived) |", messages,
                       restart.repeated, restart.handedOver, restart.firstHeartbeatSeconds, median(restart.delays),
                       worst, restart.delays.size(), restart.written);
}

// The delays from each commit of `committed` to its arrival among `arrived`.
std::vector<double> delaysOf(const std::map<std::string, std::int64_t>& committed,
                             const std::map<std::string, std::int64_t>& arrived, const char* phase,
                             std::int64_t phaseStart) {
    std::vector<double> delays;
    for (const auto& [guid, at] : committed) {
        const auto found = arrived.find(guid);
        if (found == arrived.end()) continue;
        const double delay = static_cast<double>(found->second - at) / 1e6;
        delays.push_back(delay);
        if (delay > lateSeconds) {
            fmt::print("  {} committed {:.0f} s into the {} phase arrived {:.2f} s later\n", guid,
                       static_cast<double>(at - phaseStart) / 1e6, phase, delay);
        }
    }
    return delays;
}

Restart measureRestart(Computer& computer, const std::string& self) {
    fmt::print("restart: {} messages of the last hour handed over, then a restart while a message a second is "
               "written for {} s\n",
               restartHour, restartWriterSeconds);
    RunningProgram hour(self, {"--hour", computer.databasePath().string(), "--count", std::to_string(restartHour)}, {});
    computer.finish(hour);
    computer.waitUntil(
        [&](const ServiceRecord& record) {
            const auto arrived = arrivals(record);
            return std::count_if(arrived.begin(), arrived.end(),
                                 [](const auto& arrival) { return arrival.first.starts_with("HOUR-"); }) == restartHour;
        },
        900s);
    Restart restart;
    const std::map<std::string, std::int64_t> before = arrivals(computer.record());
    restart.handedOver = static_cast<int>(before.size());
    const std::size_t firstRequest = computer.record().requests().size();

    computer.restartCompanion();
    const std::int64_t startedAt = steadyMicros();
    RunningProgram writer(self,
                          {"--writer", computer.databasePath().string(), "--seconds",
                           std::to_string(restartWriterSeconds), "--prefix", "RESTART"},
                          {});
    computer.finish(writer);
    const auto committed = commits(writer.output());
    restart.written = static_cast<int>(committed.size());
    waitForArrivals(computer, committed, 60s);

    const std::vector<Json> requests = computer.record().requests();
    for (std::size_t i = firstRequest; i < requests.size(); ++i) {
        const Json& request = requests[i];
        if (request["method"] != "POST") continue;
        if (request["path"] == "/v1/relay/heartbeat" && restart.firstHeartbeatSeconds < 0) {
            restart.firstHeartbeatSeconds =
                static_cast<double>(request["arrivedAtMicros"].get<std::int64_t>() - startedAt) / 1e6;
        }
        if (request["path"] == "/v1/ingest" && before.contains(request["body"].value("externalMessageId", ""))) {
            ++restart.repeated;
        }
    }
    restart.delays = delaysOf(committed, arrivals(computer.record()), "restart", startedAt);
    return restart;
}

std::vector<Phase> measure(int messages, const Computer::Programs& programs, Seconds length, Seconds warmup,
                           const std::string& self, Restart& restart) {
    Computer computer(messages, programs);
    computer.startService();
    RunningProgram& companion = computer.startCompanion();
    const pid_t pid = companion.pid();

    fmt::print("start-up: the companion's first {:.0f} s\n", warmup.count());
    Phase startUp{.name = "start-up", .start = read(pid)};
    computer.pause(warmup);
    startUp.end = read(pid);

    fmt::print("idle: {:.0f} s with no new message\n", length.count());
    resetPeak(pid);
    Phase idle{.name = "idle", .start = read(pid)};
    computer.pause(length);
    idle.end = read(pid);

    const int writerSeconds = static_cast<int>(length.count());
    fmt::print("busy: a new message every second for {} s\n", writerSeconds);
    resetPeak(pid);
    Phase busy{.name = "busy", .start = read(pid)};
    RunningProgram writer(self, {"--writer", computer.databasePath().string(), "--seconds", std::to_string(writerSeconds)},
                          {});
    computer.finish(writer);
    busy.end = read(pid);
    const auto committed = commits(writer.output());
    busy.written = static_cast<int>(committed.size());
    // The last rows are still on their way.
    waitForArrivals(computer, committed, 30s);
    const std::int64_t busyStart = std::chrono::duration_cast<std::chrono::microseconds>(busy.start.at.time_since_epoch()).count();
    busy.delays = delaysOf(committed, arrivals(computer.record()), "busy", busyStart);

    for (Phase* phase : {&startUp, &idle, &busy}) phase->requests = requestsWithin(computer.record(), *phase);
    restart = measureRestart(computer, self);
    const auto [status, output] = computer.stop();
    std::istringstream lines(output);
    int failures = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("fail") != std::string::npos) {
            if (++failures <= 5) fmt::print("  companion: {}\n", line);
        }
    }
    fmt::print("companion at {} messages stopped with status {}; {} log line(s) of failure; {} thread(s)\n", messages,
               status, failures, busy.end.threads);
    return {startUp, idle, busy};
}

// Adds `count` messages dated over the last `count` seconds, in one transaction: the last hour as
// a program that has just handed it over finds it at its next start.
int writeHour(const std::string& database, int count) {
    auto connection = tarvo::SqliteConnection::open(database, tarvo::SqliteConnection::Mode::readWrite);
    if (!connection) {
        std::fprintf(stderr, "cannot open %s\n", database.c_str());
        return 1;
    }
    connection->execute("pragma busy_timeout = 5000");
    const auto now = SystemClock().date();
    connection->execute("begin immediate");
    for (int i = 1; i <= count; ++i) {
        auto message = connection->prepare(
            "insert into message (guid, text, handle_id, service, date, is_from_me) values (?1, ?2, 1, 'iMessage', ?3, 0)");
        message.bindText(1, fmt::format("HOUR-{}", i));
        message.bindText(2, fmt::format("Message {} of the last hour", i));
        message.bindInt64(3, MessagesDatabaseFixture::nanoseconds(now - std::chrono::seconds(count - i + 1)));
        message.step();
        connection->execute("insert into chat_message_join (chat_id, message_id) values (1, last_insert_rowid())");
    }
    connection->execute("commit");
    return 0;
}

// Adds one message a second, dated now, each in its own transaction, as the Messages app does.
int write(const std::string& database, int seconds, const std::string& prefix) {
    auto connection = tarvo::SqliteConnection::open(database, tarvo::SqliteConnection::Mode::readWrite);
    if (!connection) {
        std::fprintf(stderr, "cannot open %s\n", database.c_str());
        return 1;
    }
    connection->execute("pragma busy_timeout = 5000");
    const SystemClock clock;
    const auto start = clock.now();
    for (int i = 1; i <= seconds; ++i) {
        std::this_thread::sleep_until(start + std::chrono::seconds(i));
        const std::string guid = fmt::format("{}-{}", prefix, i);
        connection->execute("begin immediate");
        auto message = connection->prepare(
            "insert into message (guid, text, handle_id, service, date, is_from_me) values (?1, ?2, 1, 'iMessage', ?3, 0)");
        message.bindText(1, guid);
        message.bindText(2, fmt::format("New message {} of the busy writer", i));
        message.bindInt64(3, MessagesDatabaseFixture::nanoseconds(clock.date()));
        message.step();
        connection->execute("insert into chat_message_join (chat_id, message_id) values (1, last_insert_rowid())");
        connection->execute("commit");
        std::printf("%s %lld\n", guid.c_str(), static_cast<long long>(steadyMicros()));
        std::fflush(stdout);
    }
    return 0;
}

void describeMachine(const char* when) {
    std::string model;
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.starts_with("model name")) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::string load = fileText("/proc/loadavg");
    load.erase(load.find_last_not_of('\n') + 1);
    fmt::print("machine {}: {} cores ({}), load average {}\n", when, ::sysconf(_SC_NPROCESSORS_ONLN), model, load);
}

} // namespace

int measureAll(const tarvo::bench::BenchFlags& flags) {
    const std::vector<int> sizes = flags.counts("--messages");
    const Seconds length(flags.number("--minutes") * 60);
    const Seconds warmup(flags.number("--warmup-seconds"));
    const Computer::Programs programs{.companion = flags.text("--companion"), .service = flags.text("--stand-in-service")};
    describeMachine("at the start");
    std::vector<std::pair<int, Phase>> table;
    std::vector<std::pair<int, Restart>> restarts;
    for (const int messages : sizes) {
        Restart restart;
        for (Phase& phase :
             measure(messages, programs, length, warmup, fs::read_symlink("/proc/self/exe").string(), restart)) {
            fmt::print("{}\n", row(messages, phase));
            table.emplace_back(messages, std::move(phase));
        }
        fmt::print("{}\n", restartRow(messages, restart));
        restarts.emplace_back(messages, std::move(restart));
    }
    describeMachine("at the end");
    fmt::print("\n| messages  | phase    |  wall   | CPU (u+s) | of 1 core | wake-ups/min | requests/min | peak RSS    | "
               "final RSS   | commit → service, median / worst |\n");
    fmt::print("|---|---|---|---|---|---|---|---|---|---|\n");
    for (const auto& [messages, phase] : table) fmt::print("{}\n", row(messages, phase));
    fmt::print("\n| messages  | posts repeated after the restart | first heartbeat after the start | "
               "commit → service in the first minute, median / worst |\n");
    fmt::print("|---|---|---|---|\n");
    for (const auto& [messages, restart] : restarts) fmt::print("{}\n", restartRow(messages, restart));
    return 0;
}

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const tarvo::bench::BenchFlags flags(argc, argv, usage,
                                         {{"--messages", "1000000,10000"},
                                          {"--minutes", "10"},
                                          {"--warmup-seconds", "30"},
                                          {"--companion", TARVO_COMPANION_EXECUTABLE},
                                          {"--stand-in-service", TARVO_STAND_IN_SERVICE_EXECUTABLE},
                                          {"--writer", std::nullopt},
                                          {"--seconds", std::nullopt},
                                          {"--prefix", "BENCH"},
                                          {"--hour", std::nullopt},
                                          {"--count", std::nullopt}});
    if (flags.has("--writer")) return write(flags.text("--writer"), flags.count("--seconds", 1), flags.text("--prefix"));
    if (flags.has("--hour")) return writeHour(flags.text("--hour"), flags.count("--count", 1));

    catchStops();
    try {
        return measureAll(flags);
    } catch (const Stopped& stopped) {
        fmt::print(stderr, "companion_bench: {}; its programs are ended and its folder is removed\n", stopped.what());
        return 128 + stopped.signal;
    } catch (const std::exception& failure) {
        fmt::print(stderr, "companion_bench: {}\n", failure.what());
        return 1;
    }
}
