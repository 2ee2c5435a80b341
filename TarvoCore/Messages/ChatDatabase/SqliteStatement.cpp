#include "TarvoCore/Messages/ChatDatabase/SqliteStatement.h"

#include <utility>

#include <sqlite3.h>

#include "TarvoBase/Text.h"
#include "TarvoCore/Messages/ChatDatabase/SqliteError.h"

namespace tarvo {

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

void SqliteStatement::reset() {
    // The step's own failure was thrown already; reset only repeats it.
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : statement_(std::exchange(other.statement_, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(statement_);
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

void SqliteStatement::fail() const { throw SqliteError(sqlite3_errmsg(sqlite3_db_handle(statement_))); }

void SqliteStatement::check(int result) const {
    if (result != SQLITE_OK) fail();
}

void SqliteStatement::bindInt32(int index, std::int32_t value) { check(sqlite3_bind_int(statement_, index, value)); }

void SqliteStatement::bindInt64(int index, std::int64_t value) {
    check(sqlite3_bind_int64(statement_, index, value));
}

void SqliteStatement::bindText(int index, std::string_view value) {
    check(sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
}

void SqliteStatement::bindBlob(int index, std::span<const std::uint8_t> value) {
    check(sqlite3_bind_blob64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT));
}

void SqliteStatement::bindNull(int index) { check(sqlite3_bind_null(statement_, index)); }

bool SqliteStatement::step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    fail();
}

bool SqliteStatement::isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

std::int32_t SqliteStatement::int32(int column) const { return sqlite3_column_int(statement_, column); }

std::int64_t SqliteStatement::int64(int column) const { return sqlite3_column_int64(statement_, column); }

std::optional<std::string> SqliteStatement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    if (bytes == nullptr) return std::nullopt;
    return std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
}

std::optional<std::string> SqliteStatement::wellFormedText(int column) const {
    auto value = text(column);
    if (value) *value = Text::wellFormed(*value);
    return value;
}

std::span<const std::uint8_t> SqliteStatement::blob(int column) const {
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
    if (bytes == nullptr) return {};
    return {bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
}

} // namespace tarvo
