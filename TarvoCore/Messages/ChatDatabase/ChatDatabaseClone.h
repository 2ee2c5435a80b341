#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "TarvoCore/Messages/ChatDatabase/SqliteConnection.h"

namespace tarvo {

// One reading's hold on the private copy of the Messages database: the copy stays as it is,
// and no other reading uses it, until this goes away.
class ChatDatabaseClone {
public:
    using Columns = std::set<std::string>;

    // What the copy keeps from one reading to the next: the statements prepared on its
    // connection, and the columns of each table for as long as the schema stays the same.
    struct Kept {
        std::map<std::string, SqliteStatement, std::less<>> statements;
        std::map<std::string, Columns, std::less<>> columns;

        // Ends every statement's reading, so that the copy may be written.
        void resetStatements() {
            for (auto& [sql, statement] : statements) statement.reset();
        }
    };

    ChatDatabaseClone(std::unique_lock<std::mutex> hold, const SqliteConnection& connection, Kept& kept)
        : hold_(std::move(hold)), connection_(&connection), kept_(&kept) {}
    ~ChatDatabaseClone() {
        if (hold_.owns_lock()) kept_->resetStatements();
    }
    ChatDatabaseClone(ChatDatabaseClone&&) noexcept = default;
    ChatDatabaseClone& operator=(ChatDatabaseClone&&) = delete;

    const SqliteConnection& connection() const { return *connection_; }

    // `sql` prepared once for the copy's connection, back at its start with no bindings. Throws
    // `SqliteError` when SQLite refuses it.
    SqliteStatement& statement(std::string_view sql) const {
        auto found = kept_->statements.find(sql);
        if (found == kept_->statements.end()) {
            found = kept_->statements.emplace(std::string(sql), connection_->prepare(sql)).first;
        } else {
            found->second.reset();
        }
        return found->second;
    }

    // The columns already read of each table of this schema.
    std::map<std::string, Columns, std::less<>>& knownColumns() const { return kept_->columns; }

private:
    std::unique_lock<std::mutex> hold_;
    const SqliteConnection* connection_;
    Kept* kept_;
};

} // namespace tarvo
