#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "TarvoCore/Messages/ChatDatabase/SqliteStatement.h"

struct sqlite3;

namespace tarvo {

// One SQLite database handle, closed when it goes away. Statements prepared from it must go
// away first.
class SqliteConnection {
public:
    // `immutable` reads a file that nobody writes while it is open: without locks, and without
    // ever creating the log and index files beside it, as the other modes do for a database in
    // WAL mode. A log beside it is not read.
    enum class Mode { readOnly, readWrite, readWriteCreate, immutable };

    // The connection, or nothing when SQLite cannot open the file in that mode (its handle is
    // closed then). No mode but `readWriteCreate` creates the file itself.
    static std::optional<SqliteConnection> open(const std::string& path, Mode mode);

    ~SqliteConnection();
    SqliteConnection(SqliteConnection&& other) noexcept;
    SqliteConnection& operator=(SqliteConnection&& other) noexcept;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Throws `SqliteError` when SQLite refuses the statement.
    SqliteStatement prepare(std::string_view sql) const;

    // Runs statements that answer no rows; throws `SqliteError` on the first failure.
    void execute(const std::string& sql) const;

private:
    explicit SqliteConnection(sqlite3* handle) : handle_(handle) {}

    sqlite3* handle_;
};

} // namespace tarvo
