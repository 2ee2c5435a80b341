// Pages through a generated Messages database of many messages the way the capture does, and
// compares with the sqlite3 command-line tool running the same statements on the same file.
//
//   build/bench/messages_bench [--messages N] [--pages P]
//
// --pages limits how many pages of 500 are read in each of the two runs (default: all).

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

#include "Support/MessagesDatabaseFixture.h"
#include "Support/TemporaryFolder.h"
#include "Support/TypedStream.h"
#include "TarvoCore/ChatDatabase/ChatDatabase.h"
#include "TarvoCore/ChatDatabase/CloneFile.h"

namespace {

namespace fs = std::filesystem;
using tarvo::ChatDatabase;
using Clock = std::chrono::steady_clock;

constexpr int pageSize = 500;
constexpr int chatCount = 2000;
constexpr int handleCount = 3000;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (auto byte : bytes) out += fmt::format("{:02X}", byte);
    return out;
}

// Every row has a rich-text body, as in the Messages app; one in ten has its text only there,
// one in twenty a file, one in thirty-three is a reaction.
void fill(tarvo::testing::MessagesDatabaseFixture& fixture, int messages) {
    const auto empty = tarvo::testing::typedStreamHolding("");
    const std::size_t headSize = empty.size() - 102;
    const std::string head = hex({empty.begin(), empty.begin() + static_cast<long>(headSize)});
    const std::string tail = hex({empty.begin() + static_cast<long>(headSize) + 1, empty.end()});
    const std::string body = fmt::format("X'{}' || cast(char(length(b)) as blob) || cast(b as blob) || X'{}'", head, tail);
    fixture.execute(fmt::format(R"(
begin;
with recursive n(i) as (select 1 union all select i + 1 from n where i < {handles})
insert into handle (ROWID, id, service) select i, '+1555' || printf('%07d', i), 'iMessage' from n;
with recursive n(i) as (select 1 union all select i + 1 from n where i < {chats})
insert into chat (ROWID, guid, chat_identifier, service_name, display_name)
select i, 'iMessage;-;chat' || i, case when i % 10 = 0 then 'chat' || i else '+1555' || printf('%07d', i) end,
       case when i % 4 = 0 then 'SMS' else 'iMessage' end, case when i % 10 = 0 then 'Group ' || i end from n;
insert into chat_handle_join select ROWID, ROWID from chat;
insert into chat_handle_join select ROWID, ROWID + 1 from chat where ROWID % 10 = 0;
insert into chat_handle_join select ROWID, ROWID + 2 from chat where ROWID % 10 = 0;
with recursive n(i) as (select 1 union all select i + 1 from n where i < {messages}),
     t(i, b) as (select i, 'Message number ' || i || ' with a few words in it' from n)
insert into message (ROWID, guid, text, handle_id, service, date, is_from_me, attributedBody, associated_message_type,
                     associated_message_guid)
select i, 'G' || i, case when i % 10 = 0 then null else b end, i % {handles} + 1, 'iMessage',
       (700000000 + 2 * i) * 1000000000 + 123456, i % 3 = 0, {body},
       case when i % 33 = 0 then 2000 else 0 end, case when i % 33 = 0 then 'p:0/G' || (i - 1) end
from t;
insert into chat_message_join (chat_id, message_id) select ROWID % {chats} + 1, ROWID from message;
insert into attachment (ROWID, guid, filename, uti, mime_type, transfer_name, total_bytes)
select ROWID, 'A' || ROWID, '~/Library/Messages/Attachments/' || (ROWID % 100) || '/IMG_' || ROWID || '.HEIC',
       'public.heic', 'image/heic', 'IMG_' || ROWID || '.HEIC', 123456
from message where ROWID % 20 = 0;
insert into message_attachment_join select ROWID, ROWID from attachment;
commit;
pragma wal_checkpoint(truncate);
)",
                                fmt::arg("handles", handleCount), fmt::arg("chats", chatCount),
                                fmt::arg("messages", messages), fmt::arg("body", body)));
}

std::int64_t peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) return std::stoll(line.substr(6));
    }
    return -1;
}

void resetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The statements one call sends, with the values bound written out for the command-line tool.
std::string cliStatements(std::int64_t afterSeconds, const ChatDatabase::MessageBatch& batch) {
    const std::string exclusion = "and not (coalesce(m.associated_message_type, 0) between 2000 and 2006 or "
                                  "coalesce(m.associated_message_type, 0) between 3000 and 3006)";
    std::vector<std::string> rowIds;
    for (const auto& message : batch.messages) rowIds.push_back(message.guid.substr(1));
    std::string script;
    {
        script += "pragma table_info(message);\n";
        script += fmt::format(
            "select m.guid, c.chat_identifier, m.is_from_me, h.id as handle, m.text, m.date, c.service_name,\n"
            "(select count(*) from chat_handle_join chj where chj.chat_id = c.ROWID) as participants,\n"
            "m.attributedBody, c.display_name, m.ROWID\n"
            "from message m join chat_message_join cmj on cmj.message_id = m.ROWID\n"
            "join chat c on c.ROWID = cmj.chat_id left join handle h on h.ROWID = m.handle_id\n"
            "where {} > {} {} order by m.date asc limit {};\n",
            ChatDatabase::dateCondition(), afterSeconds, exclusion, pageSize);
        script += "pragma table_info(attachment);\n";
        script += fmt::format("select j.message_id, a.guid, a.transfer_name, a.filename, a.uti, a.mime_type, "
                              "a.total_bytes, a.is_sticker, a.is_commsafety_sensitive\n"
                              "from message_attachment_join j join attachment a on a.ROWID = j.attachment_id\n"
                              "where j.message_id in ({}) order by j.message_id asc, a.ROWID asc;\n",
                              fmt::join(rowIds, ","));
    }
    return script;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int messages = 1000000;
    long maxPages = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--messages") messages = std::atoi(argv[i + 1]);
        else if (flag == "--pages") maxPages = std::atol(argv[i + 1]);
    }

    tarvo::testing::TemporaryFolder folder;
    tarvo::testing::TemporaryFolderOverride temporary(folder / "tmp");
    const fs::path live = folder / "chat.db";
    tarvo::testing::MessagesDatabaseFixture fixture(live);
    auto start = Clock::now();
    fill(fixture, messages);
    fmt::print("generated {} messages in {:.1f} s: {:.0f} MiB\n", messages, secondsSince(start),
               static_cast<double>(fs::file_size(live)) / (1 << 20));

    // One copy, as every call makes.
    start = Clock::now();
    tarvo::cloneFile(live, folder / "copy.db");
    const double copySeconds = secondsSince(start);
    fmt::print("one copy of the file: {:.3f} s\n", copySeconds);

    // Page through the copy as the capture does, calls back to back.
    auto copy = tarvo::SqliteConnection::open((folder / "copy.db").string(), tarvo::SqliteConnection::Mode::readWrite);
    const fs::path script = folder / "pages.sql";
    std::ofstream statements(script);
    statements << ".output /dev/null\n";
    resetPeakResident();
    const std::int64_t residentBefore = peakResidentKiB();
    ChatDatabase::Date after = ChatDatabase::appleEpoch;
    long read = 0;
    long calls = 0;
    double pagingSeconds = 0;
    while (maxPages < 0 || calls < maxPages) {
        start = Clock::now();
        const auto batch = ChatDatabase::messages(*copy, after, pageSize);
        pagingSeconds += secondsSince(start);
        if (batch.messages.empty()) break;
        statements << cliStatements(ChatDatabase::appleSeconds(after), batch);
        ++calls;
        read += static_cast<long>(batch.messages.size());
        after = batch.messages.back().date;
    }
    const std::int64_t peak = peakResidentKiB();
    statements.close();
    fmt::print("paged {} messages in {} calls: {:.2f} s, {:.0f} messages/s, {:.1f} ms per call\n", read, calls,
               pagingSeconds, static_cast<double>(read) / pagingSeconds, 1000 * pagingSeconds / static_cast<double>(calls));
    fmt::print("peak resident memory while paging: {:.1f} MiB (before paging {:.1f} MiB)\n",
               static_cast<double>(peak) / 1024, static_cast<double>(residentBefore) / 1024);
    copy.reset();

    start = Clock::now();
    const std::string command = fmt::format("sqlite3 -batch '{}' < '{}'", (folder / "copy.db").string(), script.string());
    if (std::system(command.c_str()) != 0) {
        std::cerr << "the sqlite3 command-line tool failed\n";
        return 1;
    }
    const double cliSeconds = secondsSince(start);
    fmt::print("sqlite3 command-line tool, same statements: {:.2f} s; ratio {:.2f}\n", cliSeconds, pagingSeconds / cliSeconds);

    // One live-sized call: the newest 500 messages, copy included.
    const ChatDatabase database(live.string());
    const auto newest = ChatDatabase::appleEpoch + std::chrono::seconds(700000000 + 2 * (messages - 520));
    start = Clock::now();
    const auto batch = database.messages(newest, pageSize);
    fmt::print("one live-sized call (verify, copy, read {} messages, remove): {:.3f} s\n", batch.messages.size(),
               secondsSince(start));
    return 0;
}
