// A busy writer of a Messages database, run by the tests as a process of its own:
//
//   messages_writer DATABASE
//
// Until its standard input closes, it commits transaction after transaction, each of two
// messages "w<n>a" and "w<n>b" in chat 1 dated n seconds after the first (first in
// seconds, later in nanoseconds), checkpoints in every mode in turn, and now and then writes a
// transaction too large for its cache, which reaches the log, and rolls it back. Then it prints
// how many transactions it committed.

#include <cstdio>
#include <string>

#include <poll.h>
#include <unistd.h>

#include "TarvoCore/Messages/ChatDatabase/SqliteConnection.h"

namespace {

constexpr std::int64_t firstSecond = 780000000;
constexpr const char* checkpoints[] = {"passive", "full", "restart", "truncate"};

bool inputClosed() {
    pollfd input{.fd = STDIN_FILENO, .events = POLLIN, .revents = 0};
    if (::poll(&input, 1, 0) <= 0) return false;
    char byte = 0;
    return ::read(STDIN_FILENO, &byte, 1) <= 0;
}

void insertMessage(const tarvo::SqliteConnection& db, const std::string& guid, std::int64_t date,
                   const std::string& text) {
    tarvo::SqliteStatement message =
        db.prepare("insert into message (guid, text, date, is_from_me, handle_id) values (?1, ?2, ?3, 1, 0)");
    message.bindText(1, guid);
    message.bindText(2, text);
    message.bindInt64(3, date);
    message.step();
    db.execute("insert into chat_message_join (chat_id, message_id) values (1, last_insert_rowid())");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    auto db = tarvo::SqliteConnection::open(argv[1], tarvo::SqliteConnection::Mode::readWrite);
    if (!db) return 1;
    db->execute("pragma busy_timeout = 10000; pragma journal_mode = wal; pragma cache_size = 8;");
    long committed = 0;
    while (!inputClosed()) {
        const long n = committed + 1;
        const std::int64_t second = firstSecond + n;
        const std::int64_t date = n > 20 ? second * 1000000000 + 250000000 : second;
        db->execute("begin");
        insertMessage(*db, "w" + std::to_string(n) + "a", date, "first of " + std::to_string(n));
        insertMessage(*db, "w" + std::to_string(n) + "b", date, "second of " + std::to_string(n));
        db->execute("commit");
        committed = n;
        if (n % 10 == 0) db->execute(std::string("pragma wal_checkpoint(") + checkpoints[(n / 10) % 4] + ")");
        if (n % 25 == 0) {
            db->execute("begin");
            for (int i = 0; i < 40; ++i) insertMessage(*db, "x" + std::to_string(n) + "-" + std::to_string(i), second, std::string(5000, 'x'));
            db->execute("rollback");
        }
    }
    std::printf("%ld\n", committed);
    return 0;
}
