#pragma once

#include <mutex>
#include <utility>

#include "TarvoCore/Messages/ChatDatabase/SqliteConnection.h"

namespace tarvo {

// One reading's hold on the private copy of the Messages database: the copy stays as it is,
// and no other reading uses it, until this goes away.
class ChatDatabaseClone {
public:
    ChatDatabaseClone(std::unique_lock<std::mutex> hold, const SqliteConnection& connection)
        : hold_(std::move(hold)), connection_(&connection) {}

    const SqliteConnection& connection() const { return *connection_; }

private:
    std::unique_lock<std::mutex> hold_;
    const SqliteConnection* connection_;
};

} // namespace tarvo
