#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "TarvoBase/Text.h"
#include "TarvoCore/Messages/ChatDatabase/SqliteError.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view reactionExclusion =
    "and not (coalesce(m.associated_message_type, 0) between 2000 and 2006 or "
    "coalesce(m.associated_message_type, 0) between 3000 and 3006)";

// Rows of one date come in ROWID order, so that a reading can go on past any row.
constexpr std::string_view pastRowCondition = "and (m.date, m.ROWID) > (?3, ?4)";

// Run once for each range of raw dates, so that the date index leads each part straight to
// the first row after the cursor; both parts come oldest first, so merging them costs no sort.
std::string messageSelect(std::string_view dates, std::string_view exclusion, std::string_view pastRow) {
    return fmt::format("select m.guid,\n"
                       "       c.chat_identifier,\n"
                       "       m.is_from_me,\n"
                       "       h.id as handle,\n"
                       "       m.text,\n"
                       "       m.date,\n"
                       "       c.service_name,\n"
                       "       (select count(*) from chat_handle_join chj where chj.chat_id = c.ROWID) as participants,\n"
                       "       m.attributedBody,\n"
                       "       c.display_name,\n"
                       "       m.ROWID\n"
                       "from message m\n"
                       "join chat_message_join cmj on cmj.message_id = m.ROWID\n"
                       "join chat c on c.ROWID = cmj.chat_id\n"
                       "left join handle h on h.ROWID = m.handle_id\n"
                       "where {}\n"
                       "  {}\n"
                       "  {}\n",
                       dates, exclusion, pastRow);
}

// Message rows whose ROWIDs lie this close are read as one range of the join's index, which
// holds only the rows that have files; a wider gap starts another range, so that rows far apart
// never make a reading walk the files of the rows between them.
constexpr std::int64_t rangeGap = 64;

std::string attachmentStatement(std::string_view sensitivity) {
    return fmt::format("select j.message_id,\n"
                       "       a.guid,\n"
                       "       a.transfer_name,\n"
                       "       a.filename,\n"
                       "       a.uti,\n"
                       "       a.mime_type,\n"
                       "       a.total_bytes,\n"
                       "       a.is_sticker,\n"
                       "       {}\n"
                       "from message_attachment_join j\n"
                       "join attachment a on a.ROWID = j.attachment_id\n"
                       "where j.message_id between ?1 and ?2\n"
                       "order by j.message_id asc, a.ROWID asc",
                       sensitivity);
}

// A message row before its files are known.
struct Raw {
    std::int64_t rowId;
    bool hasText;
    ChatDatabase::Message message;
};

constexpr std::string_view objectReplacement = "\xEF\xBF\xBC";

std::string cleanedText(std::string text) {
    for (auto at = text.find(objectReplacement); at != std::string::npos; at = text.find(objectReplacement, at)) {
        text.erase(at, objectReplacement.size());
    }
    return Text::trimmingWhitespaceAndNewlines(text);
}

std::string messageText(const SqliteStatement& row) {
    std::string text = row.text(4).value_or("");
    if (text.empty()) {
        const auto body = row.blob(8);
        if (!body.empty()) text = ChatDatabase::plainText(body).value_or("");
    }
    return cleanedText(std::move(text));
}

std::int64_t attachmentSize(std::int64_t totalBytes, const std::optional<std::string>& localPath) {
    std::int64_t size = totalBytes;
    if (size < 1 && localPath) {
        std::error_code failed;
        const auto onDisk = fs::file_size(*localPath, failed);
        if (!failed) size = static_cast<std::int64_t>(onDisk);
    }
    return std::max<std::int64_t>(size, 0);
}

} // namespace

std::string ChatDatabase::messageStatement(bool leavingOutReactions, bool pastRow) {
    const std::string_view exclusion = leavingOutReactions ? reactionExclusion : "";
    const std::string_view past = pastRow ? pastRowCondition : "";
    const auto dates = dateRanges(">");
    // By `m.date`, then `m.ROWID`: SQLite names the columns of a compound select by position.
    return messageSelect(dates.seconds, exclusion, past) + "union all\n" + messageSelect(dates.nanoseconds, exclusion, past) +
           "order by 6 asc, 11 asc\n"
           "limit ?2";
}

std::string ChatDatabase::lastPathComponent(const std::string& path) {
    fs::path trimmed(path);
    while (trimmed.has_relative_path() && trimmed.filename().empty()) trimmed = trimmed.parent_path();
    return trimmed.filename().string();
}

// "~" and "~/…" name the user's own home folder, "~name" and "~name/…" that of the user called
// name; a user the system does not know leaves the path as it is.
std::optional<std::string> ChatDatabase::expandingTilde(const std::optional<std::string>& path) {
    if (!path || !path->starts_with('~')) return path;
    const std::size_t slash = path->find('/');
    const std::string user = path->substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
    const auto home = user.empty() ? std::optional(homeFolder()) : homeFolderOf(user);
    if (!home) return path;
    return *home + (slash == std::string::npos ? "" : path->substr(slash));
}

ChatDatabase::MessageBatch ChatDatabase::messages(Date after, int limit, std::optional<ScanPosition> pastRow) const {
    const ChatDatabaseClone clone = openFreshClone();
    requireSchema(clone);
    return messages(clone, after, limit, pastRow);
}

ChatDatabase::MessageBatch ChatDatabase::messages(const ChatDatabaseClone& copy, Date after, int limit,
                                                  std::optional<ScanPosition> pastRow) {
    const bool hasReactions = columns(copy, "message").contains("associated_message_type");
    MessageBatch batch;
    std::vector<Raw> raws;
    try {
        SqliteStatement& row = copy.statement(messageStatement(hasReactions, pastRow.has_value()));
        row.bindInt64(1, appleSeconds(after));
        row.bindInt32(2, limit);
        if (pastRow) {
            row.bindInt64(3, pastRow->date);
            row.bindInt64(4, pastRow->rowId);
        }
        while (row.step()) {
            batch.scannedThrough = ScanPosition{row.int64(5), row.int64(10)};
            auto guid = row.wellFormedText(0);
            auto chatIdentifier = row.wellFormedText(1);
            if (!guid || !chatIdentifier) {
                ++batch.skippedWithoutText;
                continue;
            }
            std::string text = messageText(row);
            const bool hasText = !text.empty();
            auto displayName = row.wellFormedText(9);
            if (displayName && displayName->empty()) displayName.reset();
            raws.push_back({row.int64(10), hasText,
                            Message{.guid = std::move(*guid),
                                    .chatIdentifier = std::move(*chatIdentifier),
                                    .isFromMe = row.int32(2) == 1,
                                    .handle = row.wellFormedText(3),
                                    .text = std::move(text),
                                    .date = appleTimeToDate(row.int64(5)),
                                    .isSMS = Text::lowercased(row.text(6).value_or("")) != "imessage",
                                    .isGroup = row.int64(7) >= 3,
                                    .groupName = std::move(displayName),
                                    .attachments = {}}});
        }
    } catch (const SqliteError& error) {
        throw Failure::query(error.description());
    }

    std::vector<std::int64_t> rowIds;
    rowIds.reserve(raws.size());
    for (const Raw& raw : raws) rowIds.push_back(raw.rowId);
    std::map<std::int64_t, std::vector<Attachment>> files;
    try {
        files = attachments(copy, rowIds);
    } catch (const Failure& failure) {
        batch.attachmentsUnavailable = failure.description();
    }

    for (Raw& raw : raws) {
        if (auto found = files.find(raw.rowId); found != files.end()) raw.message.attachments = found->second;
        if (!raw.hasText && raw.message.attachments.empty()) {
            ++batch.skippedWithoutText;
            continue;
        }
        batch.messages.push_back(std::move(raw.message));
    }
    return batch;
}

std::map<std::int64_t, std::vector<ChatDatabase::Attachment>>
ChatDatabase::attachments(const ChatDatabaseClone& copy, const std::vector<std::int64_t>& messageRowIds) {
    std::map<std::int64_t, std::vector<Attachment>> files;
    if (messageRowIds.empty()) return files;
    const ColumnSet& present = columns(copy, "attachment");
    requireColumns("attachment", present, attachmentRequired);
    const std::string_view sensitivity =
        present.contains("is_commsafety_sensitive") ? "a.is_commsafety_sensitive" : "0";
    std::vector<std::int64_t> ids = messageRowIds;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    try {
        SqliteStatement& row = copy.statement(attachmentStatement(sensitivity));
        for (std::size_t first = 0, last = 0; first < ids.size(); first = ++last) {
            while (last + 1 < ids.size() && ids[last + 1] - ids[last] <= rangeGap) ++last;
            row.reset();
            row.bindInt64(1, ids[first]);
            row.bindInt64(2, ids[last]);
            readAttachments(row, ids, files);
        }
    } catch (const SqliteError& error) {
        throw Failure::query("reading attachments: " + error.description());
    }
    return files;
}

void ChatDatabase::readAttachments(SqliteStatement& row, const std::vector<std::int64_t>& messageRowIds,
                                   std::map<std::int64_t, std::vector<Attachment>>& files) {
    while (row.step()) {
        if (!std::binary_search(messageRowIds.begin(), messageRowIds.end(), row.int64(0))) continue;
        auto guid = row.wellFormedText(1);
        if (!guid) continue;
        const auto transferName = row.wellFormedText(2);
        // The stored name stays as it is where it names the file on the disk.
        const auto storedName = row.text(3);
        const ResolvedType type = resolveType(row.wellFormedText(5), row.wellFormedText(4),
                                              transferName ? transferName : storedName);
        auto localPath = expandingTilde(storedName);
        std::string filename = transferName ? *transferName
                               : localPath  ? Text::wellFormed(lastPathComponent(*localPath))
                                            : std::string("attachment");
        files[row.int64(0)].push_back({.guid = std::move(*guid),
                                       .filename = std::move(filename),
                                       .mimeType = type.mimeType,
                                       .sizeBytes = attachmentSize(row.int64(6), localPath),
                                       .providerHint = row.int32(7) == 1 ? "sticker" : type.hint,
                                       .sensitive = row.int32(8) == 1,
                                       .localPath = std::move(localPath)});
    }
}

} // namespace tarvo
