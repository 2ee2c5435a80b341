#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseClone.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseCopy.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseFailure.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseReceipt.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseScanPosition.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseTapback.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseTapbackBatch.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseTapbackMeaning.h"
#include "TarvoCore/Messages/ChatDatabase/Readout.h"
#include "TarvoCore/Messages/ChatDatabase/SqliteConnection.h"
#include "TarvoCore/Ports/HomeFolders.h"

namespace tarvo {

// The Messages app's database, the user's own data. Every reading, the schema check included,
// runs on a private copy of the live files, which are never written: the copy is shared by every
// value of one path, one reading at a time, and goes away with the last of them. Every call
// blocks its thread for the whole reading.
class ChatDatabase {
public:
    using Failure = ChatDatabaseFailure;
    using ColumnSet = std::set<std::string>;
    using Date = std::chrono::system_clock::time_point;

    struct SendRecord {
        std::string guid;
        std::string chatIdentifier;
        Date date;
        std::int64_t errorCode = 0;
        bool isSent = false;
        bool operator==(const SendRecord&) const = default;
    };
    using DeliveryReadout = Readout<std::vector<SendRecord>>;

    struct ReplyAddress {
        std::optional<std::string> guid;
        std::optional<std::string> theirNewestService;
        bool operator==(const ReplyAddress&) const = default;
    };

    struct Attachment {
        std::string guid;
        std::string filename;
        std::string mimeType;
        std::int64_t sizeBytes = 0;
        std::optional<std::string> providerHint;
        bool sensitive = false;
        std::optional<std::string> localPath;
        bool operator==(const Attachment&) const = default;
    };

    struct Message {
        std::string guid;
        std::string chatIdentifier;
        bool isFromMe = false;
        std::optional<std::string> handle;
        std::string text;
        Date date;
        bool isSMS = false;
        bool isGroup = false;
        std::optional<std::string> groupName;
        std::vector<Attachment> attachments;
        bool operator==(const Message&) const = default;
    };

    using ScanPosition = ChatDatabaseScanPosition;

    struct MessageBatch {
        std::vector<Message> messages;
        // Rows that had neither text nor files, or no conversation to belong to.
        int skippedWithoutText = 0;
        // Why the messages come without their files, when the files could not be read.
        std::optional<std::string> attachmentsUnavailable;
        // The last row the reading looked at, left out or not; nothing when it found none.
        std::optional<ScanPosition> scannedThrough;
        bool operator==(const MessageBatch&) const = default;
    };

    struct ResolvedType {
        std::string mimeType;
        std::optional<std::string> hint;
        bool operator==(const ResolvedType&) const = default;
    };

    using Bytes = std::vector<std::uint8_t>;

    using Tapback = ChatDatabaseTapback;
    using TapbackBatch = ChatDatabaseTapbackBatch;
    using TapbackReadout = Readout<TapbackBatch>;
    using TapbackMeaning = ChatDatabaseTapbackMeaning;
    using Receipt = ChatDatabaseReceipt;
    using ReceiptReadout = Readout<std::vector<Receipt>>;

    static constexpr Date appleEpoch{std::chrono::seconds(978307200)};
    // A raw time value above this counts nanoseconds since `appleEpoch`, otherwise seconds.
    static constexpr std::int64_t nanosecondThreshold = 1000000000000;

    static inline const std::map<std::string, ColumnSet> required{
        {"message", {"guid", "text", "is_from_me", "date", "handle_id", "attributedBody"}},
        {"chat", {"ROWID", "chat_identifier", "service_name", "display_name"}},
        {"handle", {"ROWID", "id"}},
        {"chat_message_join", {"chat_id", "message_id"}},
        {"chat_handle_join", {"chat_id", "handle_id"}},
    };
    static inline const ColumnSet attachmentRequired{"guid",          "filename",    "uti",       "mime_type",
                                                     "transfer_name", "total_bytes", "is_sticker"};
    static inline const ColumnSet tapbackRequired{"associated_message_type", "associated_message_guid", "is_from_me",
                                                  "handle_id", "date"};
    static inline const ColumnSet receiptRequired{"is_from_me", "is_delivered", "date_delivered",
                                                  "date_read",  "service",      "date"};
    static inline const ColumnSet deliveryRequired{"error", "is_sent"};

    static constexpr std::string_view deliveryUnobservableTail = "so whether a send was refused cannot be read from it";
    static constexpr std::string_view tapbackUnobservableTail = "so tapbacks cannot be read from it";
    static constexpr std::string_view receiptUnobservableTail = "so delivery and read receipts cannot be read from it";

    explicit ChatDatabase(std::string path)
        : path_(std::move(path)), copy_(ChatDatabaseCopy::of(path_)) {}

    const std::string& path() const { return path_; }

    // The home folder's "Library/Messages/chat.db".
    static std::string defaultPath();

    // Whether the live file can be opened and read as a database at all; never creates a file,
    // never throws.
    bool isReadable() const;

    // Throws `Failure` when the live file is missing, refused, or lacks a required table or
    // column.
    void verifySchema() const;

    // The application installs the system's user database at start; until then "~user/" paths
    // stay as they are.
    static void useHomeFolders(std::shared_ptr<const HomeFolders> folders);

    static Date appleTimeToDate(std::int64_t raw);
    // Whole seconds from `appleEpoch` to `date`, truncated toward zero: how times are bound.
    static std::int64_t appleSeconds(Date date);
    // The raw values of `column` (a message date) whose whole second is after (`comparison` ">")
    // or at or after (">=") the one bound to ?1, as two ranges that an index on the date serves:
    // seconds up to the threshold, nanoseconds above it. No value lies in both.
    struct DateRanges {
        std::string seconds;
        std::string nanoseconds;
    };
    static DateRanges dateRanges(std::string_view comparison, std::string_view column = "m.date");

    // A condition on the message `m`: dated in or after the whole second bound to ?1. Its rows
    // are found through the date index, so a reading of a recent window costs the same whatever
    // the age of the database; a condition on the date itself would have SQLite read every row.
    static std::string datedFromCondition();

    // The statements of `messages` (?1 the seconds of `after`, ?2 the limit) and of
    // `outboundSends` (?1 the seconds of `at`, ?2 the limit), as sent to SQLite.
    static std::string messageStatement(bool leavingOutReactions, bool pastRow = false);
    static std::string outboundStatement();

    // The companion's own rows of every chat at or after `at` (whole seconds), oldest first.
    DeliveryReadout outboundSends(Date at, int limit) const;

    // The chat named by `chatIdentifier` and the service the other side last wrote over.
    ReplyAddress replyAddress(const std::string& chatIdentifier) const;

    // The messages stored after `after` (whole seconds) and, when given, after the row at
    // `pastRow` in reading order, oldest first, at most `limit` rows, with their files;
    // reactions are left out.
    MessageBatch messages(Date after, int limit, std::optional<ScanPosition> pastRow = std::nullopt) const;
    // The same reading on a copy already open, for those who hold one.
    static MessageBatch messages(const ChatDatabaseClone& copy, Date after, int limit,
                                 std::optional<ScanPosition> pastRow = std::nullopt);

    static ResolvedType resolveType(const std::optional<std::string>& mimeType, const std::optional<std::string>& uti,
                                    const std::optional<std::string>& filename);

    // The text inside a serialised rich-text body, when it holds well-formed text.
    static std::optional<std::string> plainText(std::span<const std::uint8_t> typedStream);

    // The file's bytes when it has some and at most `limit` of them; reads at most one byte
    // more. Throws `std::filesystem::filesystem_error` when the file cannot be opened or read.
    static std::optional<Bytes> attachmentBytes(const std::string& path, std::int64_t limit);

    // Reactions on rows after `afterRowId` dated at or after `since` (whole seconds), oldest row
    // first, at most `limit` rows.
    TapbackReadout tapbacks(std::int64_t afterRowId, Date since, int limit) const;
    // Delivered and read receipts of this computer's own iMessages sent at or after `sentSince`
    // (whole seconds) that come after (`changedAfter`, `pastRowId`) in their order: least recently
    // changed first (nanoseconds since `appleEpoch`), then by ROWID, so that a reading can go on
    // past the last row of a full one. At most `limit` rows.
    ReceiptReadout receipts(std::int64_t changedAfter, Date sentSince, int limit,
                            std::int64_t pastRowId = std::numeric_limits<std::int64_t>::max()) const;

    // Nothing for a type that is no reaction, or a custom emoji that is blank.
    static std::optional<TapbackMeaning> tapbackMeaning(std::int64_t type,
                                                        const std::optional<std::string>& customEmoji);
    // The guid of the message a reaction row points at, without its part prefix.
    static std::optional<std::string> targetGuid(std::string_view fromAssociated);

private:
    static std::map<std::int64_t, std::vector<Attachment>> attachments(const ChatDatabaseClone& copy,
                                                                        const std::vector<std::int64_t>& messageRowIds);
    // The files of the rows `row` reads that belong to messages of `messageRowIds` (ascending).
    static void readAttachments(SqliteStatement& row, const std::vector<std::int64_t>& messageRowIds,
                                std::map<std::int64_t, std::vector<Attachment>>& files);
    static std::string lastPathComponent(const std::string& path);
    static std::string extensionOf(const std::optional<std::string>& filename);
    static std::string homeFolder();
    static std::optional<std::string> homeFolderOf(const std::string& user);
    static std::optional<std::string> expandingTilde(const std::optional<std::string>& path);

    ChatDatabaseClone openFreshClone() const;
    static void requireSchema(const ChatDatabaseClone& copy);
    // The columns of `table`, read once for as long as the copy's schema stays as it is.
    static const ColumnSet& columns(const ChatDatabaseClone& copy, std::string_view table);
    static ColumnSet missing(const ColumnSet& needed, const ColumnSet& present);
    // Throws `schemaChanged` naming the table when it is missing or lacks some of `needed`.
    static void requireColumns(std::string_view table, const ColumnSet& present, const ColumnSet& needed);
    static std::string unobservableReason(const ColumnSet& missingColumns, std::string_view tail);
    static std::optional<std::string> guid(const ChatDatabaseClone& copy, const std::string& chatIdentifier);

    std::string path_;
    std::shared_ptr<ChatDatabaseCopy> copy_;
};

} // namespace tarvo
