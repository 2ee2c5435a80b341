#include <optional>
#include <string>

#include "TarvoBase/OnWorker.h"
#include "TarvoCompanion/Companion.h"

namespace tarvo {
namespace {

struct MessagesPermission {
    bool readable = false;
    std::optional<std::string> blockedReason;
};

constexpr const char* fullDiskAccessNeeded =
    "Tarvo needs Full Disk Access to read Messages. System Settings → Privacy & Security → Full Disk Access.";

// Blocks while it reads the database.
MessagesPermission readMessagesPermission(const ChatDatabase& database) {
    if (!database.isReadable()) return {false, fullDiskAccessNeeded};
    try {
        database.verifySchema();
    } catch (const ChatDatabase::Failure& failure) {
        return {false, failure.description()};
    }
    return {true, std::nullopt};
}

} // namespace

Task<void> Companion::refreshPermissionsNow() {
    auto read = [database = database_] { return readMessagesPermission(database); };
    const MessagesPermission permission = co_await onWorker(read);
    state_.canReadMessages = permission.readable;
    // A readable database clears an earlier reason, so that each tick starts from this one.
    state_.blockedReason = permission.blockedReason;
}

} // namespace tarvo
