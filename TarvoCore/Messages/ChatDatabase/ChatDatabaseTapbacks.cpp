#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

#include <fmt/format.h>

#include "TarvoBase/Text.h"
#include "TarvoCore/Messages/ChatDatabase/SqliteError.h"

namespace tarvo {
namespace {

// The emoji of each standard reaction type.
const std::map<std::int64_t, std::string>& tapbackTable() {
    static const std::map<std::int64_t, std::string> table{
        {2000, "\u2764\uFE0F"}, {2001, "\U0001F44D"},       {2002, "\U0001F44E"},
        {2003, "\U0001F602"},   {2004, "\u203C\uFE0F"}, {2005, "\u2753"},
    };
    return table;
}

constexpr std::int64_t customEmojiType = 2006;
constexpr std::int64_t firstRemovalType = 3000;
constexpr std::int64_t lastRemovalType = 3006;

constexpr std::size_t longestEmoji = 16;
constexpr std::size_t longestHandle = 256;

std::string tapbackStatement(std::string_view emojiColumn) {
    return fmt::format("select m.ROWID,\n"
                       "       m.associated_message_type,\n"
                       "       m.associated_message_guid,\n"
                       "       m.is_from_me,\n"
                       "       h.id,\n"
                       "       m.date,\n"
                       "       c.service_name,\n"
                       "       {}\n"
                       "from message m\n"
                       "join chat_message_join cmj on cmj.message_id = m.ROWID\n"
                       "join chat c on c.ROWID = cmj.chat_id\n"
                       "left join handle h on h.ROWID = m.handle_id\n"
                       "where {}\n"
                       "  and m.ROWID > ?2\n"
                       "  and (coalesce(m.associated_message_type, 0) between 2000 and 2006 or "
                       "coalesce(m.associated_message_type, 0) between 3000 and 3006)\n"
                       "order by m.ROWID asc\n"
                       "limit ?3",
                       emojiColumn, ChatDatabase::datedFromCondition());
}

std::optional<std::string> reactor(bool fromMe, const std::optional<std::string>& handle) {
    if (fromMe) return "me";
    if (!handle || handle->empty() || Text::utf16Length(*handle) > longestHandle) return std::nullopt;
    return handle;
}

// The reaction a row holds, or nothing when the row cannot be told to the service.
std::optional<ChatDatabase::Tapback> tapbackOf(const SqliteStatement& row) {
    const std::int64_t rowId = row.int64(0);
    const std::int64_t type = row.int64(1);
    const bool fromMe = row.int64(3) == 1;
    // Each text reaches the service, which takes well-formed text only.
    const auto handle = row.wellFormedText(4);
    const auto customEmoji = row.wellFormedText(7);
    const auto associated = row.wellFormedText(2);
    if (!associated) return std::nullopt;
    auto target = ChatDatabase::targetGuid(*associated);
    if (!target) return std::nullopt;
    auto meaning = ChatDatabase::tapbackMeaning(type, customEmoji);
    if (!meaning) return std::nullopt;
    if (meaning->emoji && Text::utf16Length(*meaning->emoji) > longestEmoji) return std::nullopt;
    auto reactorKey = reactor(fromMe, handle);
    if (!reactorKey) return std::nullopt;
    return ChatDatabase::Tapback{
        .rowId = rowId,
        .targetGuid = std::move(*target),
        .reactorKey = std::move(*reactorKey),
        .fromMe = fromMe,
        .emoji = meaning->adds ? std::move(meaning->emoji) : std::nullopt,
        .date = ChatDatabase::appleTimeToDate(row.int64(5)),
        .isSMS = Text::lowercased(row.text(6).value_or("")) != "imessage",
    };
}

} // namespace

ChatDatabase::TapbackReadout ChatDatabase::tapbacks(std::int64_t afterRowId, Date since, int limit) const {
    const ChatDatabaseClone clone = openFreshClone();
    const ColumnSet& present = columns(clone, "message");
    const ColumnSet gaps = missing(tapbackRequired, present);
    if (!gaps.empty()) return TapbackReadout::unobservable(unobservableReason(gaps, tapbackUnobservableTail));
    const std::string_view emojiColumn =
        present.contains("associated_message_emoji") ? "m.associated_message_emoji" : "null";
    try {
        SqliteStatement row = clone.connection().prepare(tapbackStatement(emojiColumn));
        row.bindInt64(1, appleSeconds(since));
        row.bindInt64(2, afterRowId);
        row.bindInt32(3, limit);
        TapbackBatch batch{.tapbacks = {}, .newestRowId = afterRowId, .skipped = 0};
        while (row.step()) {
            batch.newestRowId = std::max(batch.newestRowId, row.int64(0));
            if (auto tapback = tapbackOf(row)) {
                batch.tapbacks.push_back(std::move(*tapback));
            } else {
                ++batch.skipped;
            }
        }
        return TapbackReadout::observed(std::move(batch));
    } catch (const SqliteError& error) {
        throw Failure::query("reading tapbacks: " + error.description());
    }
}

std::optional<ChatDatabase::TapbackMeaning>
ChatDatabase::tapbackMeaning(std::int64_t type, const std::optional<std::string>& customEmoji) {
    if (const auto found = tapbackTable().find(type); found != tapbackTable().end()) {
        return TapbackMeaning{.adds = true, .emoji = found->second};
    }
    if (type == customEmojiType) {
        std::string emoji = Text::trimmingWhitespaceAndNewlines(customEmoji.value_or(""));
        if (emoji.empty()) return std::nullopt;
        return TapbackMeaning{.adds = true, .emoji = std::move(emoji)};
    }
    if (type >= firstRemovalType && type <= lastRemovalType) {
        return TapbackMeaning{.adds = false, .emoji = std::nullopt};
    }
    return std::nullopt;
}

std::optional<std::string> ChatDatabase::targetGuid(std::string_view fromAssociated) {
    std::string guid = Text::trimmingWhitespace(fromAssociated);
    if (guid.starts_with("bp:")) {
        guid.erase(0, 3);
    } else if (guid.starts_with("p:")) {
        if (const auto slash = guid.find('/'); slash != std::string::npos) guid.erase(0, slash + 1);
    }
    if (guid.empty()) return std::nullopt;
    return guid;
}

} // namespace tarvo
