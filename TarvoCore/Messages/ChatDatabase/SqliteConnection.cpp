#include "TarvoCore/Messages/ChatDatabase/SqliteConnection.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include <sqlite3.h>

#include "TarvoCore/Messages/ChatDatabase/SqliteError.h"

namespace tarvo {
namespace {

int flagsFor(SqliteConnection::Mode mode) {
    switch (mode) {
    case SqliteConnection::Mode::readOnly: return SQLITE_OPEN_READONLY;
    case SqliteConnection::Mode::readWrite: return SQLITE_OPEN_READWRITE;
    case SqliteConnection::Mode::readWriteCreate: return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    case SqliteConnection::Mode::immutable: return SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
    }
    return SQLITE_OPEN_READONLY;
}

// A file name as a URI with an empty authority, so that SQLite reads every byte of the path
// as it is: only the characters that a URI gives a meaning are escaped.
std::string immutableUri(const std::string& path) {
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(path, failed);
    std::string uri = "file://";
    for (const char c : failed ? path : absolute.string()) {
        if (c == '%') uri += "%25";
        else if (c == '?') uri += "%3f";
        else if (c == '#') uri += "%23";
        else uri += c;
    }
    return uri + "?immutable=1";
}

} // namespace

std::optional<SqliteConnection> SqliteConnection::open(const std::string& path, Mode mode) {
    sqlite3* handle = nullptr;
    const std::string name = mode == Mode::immutable ? immutableUri(path) : path;
    const int result = sqlite3_open_v2(name.c_str(), &handle, flagsFor(mode), nullptr);
    if (result != SQLITE_OK || handle == nullptr) {
        sqlite3_close(handle);
        return std::nullopt;
    }
    return SqliteConnection(handle);
}

SqliteConnection::~SqliteConnection() { sqlite3_close(handle_); }

SqliteConnection::SqliteConnection(SqliteConnection&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

SqliteConnection& SqliteConnection::operator=(SqliteConnection&& other) noexcept {
    if (this != &other) {
        sqlite3_close(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

SqliteStatement SqliteConnection::prepare(std::string_view sql) const {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        throw SqliteError(sqlite3_errmsg(handle_));
    }
    return SqliteStatement(statement);
}

void SqliteConnection::execute(const std::string& sql) const {
    if (sqlite3_exec(handle_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw SqliteError(sqlite3_errmsg(handle_));
    }
}

} // namespace tarvo
