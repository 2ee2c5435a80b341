#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"
#include "TarvoCore/Messages/ChatDatabase/SqliteConnection.h"

namespace tarvo::testing {

// The Messages database dates its rows in nanoseconds since 2001-01-01 (older rows in seconds).
inline constexpr std::int64_t appleNanosecondsPerSecond = 1000000000;

// The instant `appleSeconds` after 2001-01-01.
inline ChatDatabase::Date appleDate(std::int64_t appleSeconds) {
    return ChatDatabase::appleEpoch + std::chrono::seconds(appleSeconds);
}

using Bytes = std::vector<std::uint8_t>;
using Cell = std::variant<std::nullptr_t, std::int64_t, std::string, Bytes>;

// A real Messages database file with the tables and columns the companion reads, in WAL mode.
// The writer stays open and never checkpoints, so every row added lives only in the "-wal"
// file until the fixture goes away.
class MessagesDatabaseFixture {
public:
    // Which tables and columns to leave out, to build databases of another shape.
    struct Shape {
        std::set<std::string> withoutTables = {};
        std::map<std::string, std::set<std::string>> withoutColumns = {};
    };

    struct ChatRow {
        std::string chatIdentifier;
        std::optional<std::string> serviceName = "iMessage";
        std::optional<std::string> displayName = std::nullopt;
        std::optional<std::string> guid = std::nullopt;
    };

    struct MessageRow {
        std::optional<std::string> guid = std::nullopt;
        std::int64_t chat = 0; // the chat's ROWID; 0 joins the message to no chat
        std::int64_t date = 0; // raw: seconds or nanoseconds since 2001-01-01
        std::optional<std::string> text = std::nullopt;
        std::optional<Bytes> attributedBody = std::nullopt;
        bool isFromMe = false;
        std::int64_t handle = 0;
        std::optional<std::string> service = std::nullopt;
        std::int64_t error = 0;
        bool isSent = false;
        std::int64_t associatedMessageType = 0;
        std::optional<std::string> associatedMessageGuid = std::nullopt;
        std::optional<std::string> associatedMessageEmoji = std::nullopt;
        bool isDelivered = false;
        std::int64_t dateDelivered = 0;
        std::int64_t dateRead = 0;
    };

    struct AttachmentRow {
        std::optional<std::string> guid = std::nullopt;
        std::optional<std::string> filename = std::nullopt;
        std::optional<std::string> transferName = std::nullopt;
        std::optional<std::string> uti = std::nullopt;
        std::optional<std::string> mimeType = std::nullopt;
        std::int64_t totalBytes = 0;
        bool isSticker = false;
        bool isCommsafetySensitive = false;
    };

    explicit MessagesDatabaseFixture(std::filesystem::path file);
    MessagesDatabaseFixture(std::filesystem::path file, Shape shape);

    const std::filesystem::path& path() const { return file_; }

    // Inserts one row and answers its ROWID; cells of columns this shape leaves out are dropped,
    // and a table it leaves out gets nothing (the answer is 0).
    std::int64_t insert(const std::string& table, const std::vector<std::pair<std::string, Cell>>& cells);

    std::int64_t addHandle(const std::string& id);
    std::int64_t addChat(const ChatRow& row);
    void addChatHandle(std::int64_t chat, std::int64_t handle);
    std::int64_t addMessage(const MessageRow& row);
    std::int64_t addAttachment(std::int64_t message, const AttachmentRow& row);

    void execute(const std::string& sql) const { writer_.execute(sql); }

    // Raw time values of the database for a date.
    static std::int64_t seconds(ChatDatabase::Date date) { return ChatDatabase::appleSeconds(date); }
    static std::int64_t nanoseconds(ChatDatabase::Date date) {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(date - ChatDatabase::appleEpoch).count();
    }

private:
    std::filesystem::path file_;
    std::map<std::string, std::set<std::string>> columns_;
    SqliteConnection writer_;
};

} // namespace tarvo::testing
