#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "TarvoBase/OnWorker.h"
#include "TarvoCompanion/Companion.h"

namespace tarvo {
namespace {

struct MessagesPermission {
    bool readable = false;
    std::optional<std::string> blockedReason;
    // For the log and `status`: the path and what keeps it from being read.
    std::optional<std::string> cause;
};

constexpr const char* fullDiskAccessNeeded =
    "Tarvo needs Full Disk Access to read Messages. System Settings → Privacy & Security → Full Disk Access.";

// The service hears the sentence of the platform the service knows; the person at this computer
// needs to hear what is wrong with the file here.
std::string unreadableBecause(const std::string& path) {
    std::error_code failed;
    const auto found = std::filesystem::status(path, failed);
    if (found.type() == std::filesystem::file_type::not_found) return path + ": no file there";
    if (failed) return path + ": " + failed.message();
    if (found.type() != std::filesystem::file_type::regular) return path + ": not a file";
    errno = 0;
    const std::ifstream probe(path, std::ios::binary);
    if (!probe) return path + ": " + std::strerror(errno);
    return path + ": not a database SQLite can read";
}

// Blocks while it reads the database.
MessagesPermission readMessagesPermission(const ChatDatabase& database) {
    if (!database.isReadable()) return {false, fullDiskAccessNeeded, unreadableBecause(database.path())};
    try {
        database.verifySchema();
    } catch (const ChatDatabase::Failure& failure) {
        return {false, failure.description(), database.path() + ": " + failure.description()};
    }
    return {true, std::nullopt, std::nullopt};
}

} // namespace

Task<void> Companion::refreshPermissionsNow() {
    auto read = [database = database_] { return readMessagesPermission(database); };
    const MessagesPermission permission = co_await onWorker(read);
    state_.canReadMessages = permission.readable;
    // A readable database clears an earlier reason, so that each tick starts from this one.
    state_.blockedReason = permission.blockedReason;
    messagesCause_ = permission.cause;
}

} // namespace tarvo
