#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace tarvo {

// One prepared statement, finalized when it goes away. Every failing call throws
// `SqliteError` with the connection's message.
class SqliteStatement {
public:
    explicit SqliteStatement(sqlite3_stmt* statement) : statement_(statement) {}
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    void bindInt32(int index, std::int32_t value);
    void bindInt64(int index, std::int64_t value);
    void bindText(int index, std::string_view value);
    void bindBlob(int index, std::span<const std::uint8_t> value);
    void bindNull(int index);

    // Back to before the first step, its bindings cleared, ready to run again.
    void reset();

    // True while a row is ready, false once the statement is done. Any other outcome (busy,
    // corrupt file, I/O error) throws: a broken read never looks like the end of the rows.
    bool step();

    bool isNull(int column) const;
    std::int32_t int32(int column) const;
    std::int64_t int64(int column) const;
    std::optional<std::string> text(int column) const;
    // The text with each ill-formed UTF-8 sequence replaced by U+FFFD, for texts that leave the
    // program, so that one odd row cannot stop what carries them on.
    std::optional<std::string> wellFormedText(int column) const;
    // Valid until the next step; empty for a null or empty value.
    std::span<const std::uint8_t> blob(int column) const;

private:
    [[noreturn]] void fail() const;
    void check(int result) const;

    sqlite3_stmt* statement_;
};

} // namespace tarvo
