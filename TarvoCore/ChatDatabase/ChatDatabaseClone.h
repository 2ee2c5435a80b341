#pragma once

#include <filesystem>
#include <optional>

#include "TarvoCore/ChatDatabase/SqliteConnection.h"

namespace tarvo {

// A private copy of the Messages database in a folder of its own. Going away closes the
// connection and then removes the folder with everything in it; a failing removal is ignored.
class ChatDatabaseClone {
public:
    explicit ChatDatabaseClone(std::filesystem::path folder) : folder_(std::move(folder)) {}
    ~ChatDatabaseClone();
    ChatDatabaseClone(ChatDatabaseClone&& other) noexcept;
    ChatDatabaseClone& operator=(ChatDatabaseClone&&) = delete;
    ChatDatabaseClone(const ChatDatabaseClone&) = delete;
    ChatDatabaseClone& operator=(const ChatDatabaseClone&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    // Only once `adopt` has been called.
    const SqliteConnection& connection() const { return *connection_; }
    void adopt(SqliteConnection connection) { connection_.emplace(std::move(connection)); }

private:
    std::filesystem::path folder_;
    std::optional<SqliteConnection> connection_;
};

} // namespace tarvo
