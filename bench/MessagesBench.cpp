// Reads a generated Messages database of many messages, indexed as the Messages app indexes it,
// the way the capture does, and times the same statements run by the sqlite3 command-line tool
// on the same files in the same run:
//
//   build/bench/messages_bench [--messages N] [--rounds R]
//
// 1. live readings of the newest 500 messages, R times when nothing changed and R times after
//    10 more messages, beside the tool running the message statement and the bare seek of the
//    date index that any such reading needs;
// 2. a reading after the writer has copied its log back and started it over;
// 3. paging through the whole backlog in pages of 500, with the peak memory while paging.
//
// The generated files live in a temporary folder removed at the end.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "BenchFlags.h"
#include "GeneratedMessages.h"
#include "Support/MessagesDatabaseFixture.h"
#include "Support/TemporaryFolder.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

namespace {

namespace fs = std::filesystem;
using tarvo::ChatDatabase;
using tarvo::testing::MessagesDatabaseFixture;
using Clock = std::chrono::steady_clock;

constexpr int pageSize = 500;
using tarvo::bench::GeneratedMessages::dateOf;
using tarvo::bench::GeneratedMessages::fill;
using tarvo::bench::GeneratedMessages::firstSecond;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void addMessages(MessagesDatabaseFixture& fixture, int from, int count) {
    fixture.execute("begin");
    for (int i = from; i < from + count; ++i) {
        fixture.addMessage({.guid = "N" + std::to_string(i), .chat = 1, .date = dateOf(i), .text = "new " + std::to_string(i)});
    }
    fixture.execute("commit");
}

std::int64_t peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) return std::stoll(line.substr(6));
    }
    return -1;
}

void resetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Bytes this process has asked the kernel to read so far, from the page cache or the disk.
std::int64_t bytesRead() {
    std::ifstream io("/proc/self/io");
    for (std::string line; std::getline(io, line);) {
        if (line.starts_with("rchar:")) return std::stoll(line.substr(6));
    }
    return -1;
}

double mebibytes(std::int64_t bytes) { return static_cast<double>(bytes) / (1 << 20); }

// One reading's time and the bytes it read.
struct Cost {
    double milliseconds = 0;
    std::int64_t bytes = 0;
};

template <typename Reading> Cost costOf(Reading&& reading) {
    const std::int64_t before = bytesRead();
    const auto start = Clock::now();
    reading();
    return {millisecondsSince(start), bytesRead() - before};
}

Cost medianCost(const std::vector<Cost>& costs) {
    std::vector<double> times;
    std::vector<double> bytes;
    for (const Cost& cost : costs) {
        times.push_back(cost.milliseconds);
        bytes.push_back(static_cast<double>(cost.bytes));
    }
    return {median(times), static_cast<std::int64_t>(median(bytes))};
}

// What one reading sends besides the message statement: the schema check, and the statement for
// the files of the messages read.
std::string readingStatements(const std::string& messageStatement, std::int64_t afterSeconds,
                              const ChatDatabase::MessageBatch& batch) {
    std::string script;
    for (const char* table : {"message", "chat", "handle", "chat_message_join", "chat_handle_join", "message"}) {
        script += fmt::format("pragma table_info({});\n", table);
    }
    script += fmt::format(".parameter set ?1 {}\n.parameter set ?2 {}\n{};\n", afterSeconds, pageSize, messageStatement);
    std::vector<std::string> rowIds;
    for (const auto& message : batch.messages) {
        if (message.guid.starts_with("G")) rowIds.push_back(message.guid.substr(1));
    }
    script += "pragma table_info(attachment);\n";
    script += fmt::format("select j.message_id, a.guid, a.transfer_name, a.filename, a.uti, a.mime_type, "
                          "a.total_bytes, a.is_sticker, a.is_commsafety_sensitive\n"
                          "from message_attachment_join j join attachment a on a.ROWID = j.attachment_id\n"
                          "where j.message_id in ({}) order by j.message_id asc, a.ROWID asc;\n",
                          fmt::join(rowIds, ","));
    return script;
}

// The live files as they are now, copied where the sqlite3 tool may read them. Never the live
// files themselves: this process lets go of every lock its writer holds on a live file each time
// a reading closes its own descriptor of it, and a tool that then finds the index unlocked takes
// the database for unused, cuts the index short and rebuilds it under the writer, whose next
// commit that needs a new region of the index dies with SIGBUS.
fs::path toolCopy(const fs::path& folder, const fs::path& live) {
    const fs::path copies = folder / "tool";
    fs::remove_all(copies);
    fs::create_directories(copies);
    const fs::path database = copies / live.filename();
    fs::copy_file(live, database);
    const fs::path log = live.string() + "-wal";
    if (fs::exists(log)) fs::copy_file(log, database.string() + "-wal");
    return database;
}

// Milliseconds the sqlite3 tool takes to run `script` against `database`, its start-up taken
// off.
double toolMilliseconds(const fs::path& folder, const fs::path& database, const std::string& script) {
    const auto run = [&](const std::string& body) {
        const fs::path file = folder / "tool.sql";
        std::ofstream(file) << ".output /dev/null\n" << body;
        const std::string command = fmt::format("sqlite3 -readonly -batch '{}' < '{}'", database.string(), file.string());
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) throw std::runtime_error("the sqlite3 command-line tool failed");
        return millisecondsSince(start);
    };
    std::vector<double> startUps;
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i) {
        startUps.push_back(run("select 1;\n"));
        runs.push_back(run(script));
    }
    return std::max(0.0, median(runs) - median(startUps));
}

// Milliseconds to run `sql` to its last row in this process, the median of several runs. It is
// prepared once, as the readings keep their statements prepared.
double statementMilliseconds(const tarvo::SqliteConnection& connection, const std::string& sql,
                             std::int64_t first, std::int64_t second) {
    std::vector<double> runs;
    tarvo::SqliteStatement statement = connection.prepare(sql);
    for (int i = 0; i < 21; ++i) {
        const auto start = Clock::now();
        statement.reset();
        statement.bindInt64(1, first);
        statement.bindInt64(2, second);
        while (statement.step()) {
        }
        runs.push_back(millisecondsSince(start));
    }
    return median(runs);
}

std::string repeated(const std::string& script, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += script;
    return out;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const tarvo::bench::BenchFlags flags(argc, argv, "messages_bench [--messages N] [--rounds R]",
                                         {{"--messages", "1000000"}, {"--rounds", "5"}});
    // The readings look at the newest 520 messages.
    const int messages = flags.count("--messages", 1000);
    const int rounds = flags.count("--rounds", 1);

    tarvo::testing::TemporaryFolder folder;
    tarvo::testing::TemporaryFolderOverride temporary(folder / "tmp");
    const fs::path live = folder / "chat.db";
    MessagesDatabaseFixture fixture(live);
    auto start = Clock::now();
    fill(fixture, messages);
    fmt::print("generated {} messages in {:.1f} s: {:.0f} MiB\n", messages, millisecondsSince(start) / 1000,
               static_cast<double>(fs::file_size(live)) / (1 << 20));

    const ChatDatabase database(live.string());
    const std::string messageStatement = ChatDatabase::messageStatement(true);
    const std::int64_t newestSecond = firstSecond + 2 * (messages - 520);
    const auto newest = ChatDatabase::appleEpoch + std::chrono::seconds(newestSecond);

    start = Clock::now();
    database.messages(newest, pageSize);
    fmt::print("first reading, the copy made: {:.1f} ms\n", millisecondsSince(start));
    int added = messages + 1;
    addMessages(fixture, added++, 1);
    start = Clock::now();
    database.messages(newest, pageSize);
    fmt::print("first reading of a log: {:.1f} ms\n", millisecondsSince(start));

    std::vector<Cost> unchanged;
    std::vector<Cost> tenAdded;
    ChatDatabase::MessageBatch batch;
    for (int round = 0; round < rounds; ++round) {
        unchanged.push_back(costOf([&] { batch = database.messages(newest, pageSize); }));
        addMessages(fixture, added, 10);
        added += 10;
        tenAdded.push_back(costOf([&] { batch = database.messages(newest, pageSize); }));
    }
    const std::string reading = readingStatements(messageStatement, newestSecond, batch);
    const std::string statementAlone =
        fmt::format(".parameter set ?1 {}\n.parameter set ?2 {}\n{};\n", newestSecond, pageSize, messageStatement);
    const std::string bareSeek = fmt::format(
        "select m.guid, m.text, m.date, m.attributedBody from message m where m.date >= {} order by m.date limit {};\n",
        (newestSecond + 1) * 1000000000, pageSize);
    auto direct = tarvo::SqliteConnection::open(live.string(), tarvo::SqliteConnection::Mode::readOnly);
    const std::string seekStatement =
        "select m.guid, m.text, m.date, m.attributedBody from message m where m.date >= ?1 order by m.date limit ?2";
    const double directStatement = statementMilliseconds(*direct, messageStatement, newestSecond, pageSize);
    const double directSeek = statementMilliseconds(*direct, seekStatement, (newestSecond + 1) * 1000000000, pageSize);
    direct.reset();
    constexpr int repeats = 20;
    const fs::path forTool = toolCopy(folder.path(), live);
    const double toolReading = toolMilliseconds(folder.path(), forTool, repeated(reading, repeats)) / repeats;
    const double toolStatement = toolMilliseconds(folder.path(), forTool, repeated(statementAlone, repeats)) / repeats;
    const double toolSeek = toolMilliseconds(folder.path(), forTool, repeated(bareSeek, repeats)) / repeats;
    fmt::print("the message statement alone, run here on the live file: {:.2f} ms; a seek of the date index "
               "fetching {} message rows and nothing else: {:.2f} ms\n",
               directStatement, pageSize, directSeek);
    const Cost unchangedCost = medianCost(unchanged);
    const Cost tenAddedCost = medianCost(tenAdded);
    fmt::print("the message statement alone: {:.1f}x the seek\n", directStatement / directSeek);
    fmt::print("newest {} messages, nothing changed: {:.2f} ms (median of {}), {:.1f}x the seek, {:.2f} MiB read\n",
               batch.messages.size(), unchangedCost.milliseconds, rounds, unchangedCost.milliseconds / directSeek,
               mebibytes(unchangedCost.bytes));
    fmt::print("newest {} messages, 10 added to the log: {:.2f} ms (median of {}), {:.1f}x the seek, "
               "{:.1f}x the unchanged reading, {:.2f} MiB read\n",
               batch.messages.size(), tenAddedCost.milliseconds, rounds, tenAddedCost.milliseconds / directSeek,
               tenAddedCost.milliseconds / unchangedCost.milliseconds, mebibytes(tenAddedCost.bytes));
    fmt::print("sqlite3 tool: every statement of one reading {:.2f} ms; the message statement alone {:.2f} ms; "
               "a seek of the date index fetching {} message rows and nothing else {:.2f} ms\n",
               toolReading, toolStatement, pageSize, toolSeek);

    // The writer's own checkpoint starts the log over in place at its next commit; a truncating
    // one empties the file first.
    for (const char* checkpoint : {"restart", "truncate"}) {
        const auto logBefore = static_cast<std::int64_t>(fs::file_size(live.string() + "-wal"));
        fixture.execute(fmt::format("pragma wal_checkpoint({})", checkpoint));
        addMessages(fixture, added, 10);
        added += 10;
        const Cost cost = costOf([&] { database.messages(newest, pageSize); });
        fmt::print("reading after the log was copied back and started over ({}): {:.1f} ms, {:.1f} MiB read "
                   "({:.1f}x the old log's {:.1f} MiB)\n",
                   checkpoint, cost.milliseconds, mebibytes(cost.bytes),
                   static_cast<double>(cost.bytes) / static_cast<double>(std::max<std::int64_t>(logBefore, 1)),
                   mebibytes(logBefore));
    }

    // A reading after a change, by how long the writer's log has grown since it started over.
    database.messages(newest, pageSize);
    for (const int logMiB : {1, 10, 30}) {
        while (static_cast<std::int64_t>(fs::file_size(live.string() + "-wal")) < std::int64_t{logMiB} << 20) {
            addMessages(fixture, added, 200);
            added += 200;
            database.messages(newest, pageSize);
        }
        addMessages(fixture, added, 10);
        added += 10;
        const Cost cost = costOf([&] { database.messages(newest, pageSize); });
        fmt::print("reading after 10 added to a log of {:.1f} MiB: {:.2f} ms, {:.2f} MiB read\n",
                   mebibytes(static_cast<std::int64_t>(fs::file_size(live.string() + "-wal"))), cost.milliseconds,
                   mebibytes(cost.bytes));
    }

    const fs::path wholeScript = folder.path() / "pages.sql";
    std::ofstream pages(wholeScript);
    pages << ".output /dev/null\n";
    resetPeakResident();
    const std::int64_t residentBefore = peakResidentKiB();
    ChatDatabase::Date after = ChatDatabase::appleEpoch;
    long read = 0;
    long calls = 0;
    start = Clock::now();
    for (;;) {
        const auto page = database.messages(after, pageSize);
        if (page.messages.empty()) break;
        pages << readingStatements(messageStatement, ChatDatabase::appleSeconds(after), page);
        ++calls;
        read += static_cast<long>(page.messages.size());
        after = page.messages.back().date;
    }
    const double pagingMilliseconds = millisecondsSince(start);
    const std::int64_t peak = peakResidentKiB();
    fmt::print("paged {} messages in {} readings: {:.2f} s, {:.2f} ms per reading\n", read, calls,
               pagingMilliseconds / 1000, pagingMilliseconds / static_cast<double>(calls));
    fmt::print("peak resident memory while paging: {:.1f} MiB (before paging {:.1f} MiB)\n",
               static_cast<double>(peak) / 1024, static_cast<double>(residentBefore) / 1024);
    pages.close();
    start = Clock::now();
    const std::string command =
        fmt::format("sqlite3 -readonly -batch '{}' < '{}'", toolCopy(folder.path(), live).string(), wholeScript.string());
    if (std::system(command.c_str()) != 0) {
        std::cerr << "the sqlite3 command-line tool failed\n";
        return 1;
    }
    fmt::print("sqlite3 tool, same statements of every page: {:.2f} s\n", millisecondsSince(start) / 1000);
    return 0;
}
