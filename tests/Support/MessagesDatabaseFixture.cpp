#include "Support/MessagesDatabaseFixture.h"

#include <stdexcept>

namespace tarvo::testing {
namespace {

struct Column {
    const char* name;
    const char* declaration;
};

struct Table {
    const char* name;
    std::vector<Column> columns;
};

const std::vector<Table>& messagesTables() {
    static const std::vector<Table> tables{
        {"handle", {{"ROWID", "integer primary key autoincrement"}, {"id", "text not null"}, {"service", "text"}}},
        {"chat",
         {{"ROWID", "integer primary key autoincrement"},
          {"guid", "text unique"},
          {"chat_identifier", "text"},
          {"service_name", "text"},
          {"display_name", "text"}}},
        {"message",
         {{"ROWID", "integer primary key autoincrement"},
          {"guid", "text unique"},
          {"text", "text"},
          {"handle_id", "integer default 0"},
          {"service", "text"},
          {"error", "integer default 0"},
          {"date", "integer"},
          {"date_read", "integer"},
          {"date_delivered", "integer"},
          {"is_delivered", "integer default 0"},
          {"is_from_me", "integer default 0"},
          {"is_sent", "integer default 0"},
          {"attributedBody", "blob"},
          {"associated_message_guid", "text"},
          {"associated_message_type", "integer default 0"},
          {"associated_message_emoji", "text"}}},
        {"chat_message_join", {{"chat_id", "integer"}, {"message_id", "integer"}}},
        {"chat_handle_join", {{"chat_id", "integer"}, {"handle_id", "integer"}}},
        {"attachment",
         {{"ROWID", "integer primary key autoincrement"},
          {"guid", "text unique"},
          {"filename", "text"},
          {"uti", "text"},
          {"mime_type", "text"},
          {"transfer_name", "text"},
          {"total_bytes", "integer default 0"},
          {"is_sticker", "integer default 0"},
          {"is_commsafety_sensitive", "integer default 0"}}},
        {"message_attachment_join", {{"message_id", "integer"}, {"attachment_id", "integer"}}},
    };
    return tables;
}

// Indexed as the Messages app indexes these tables: the statements rely on these indexes for
// their speed.
struct Index {
    const char* table;
    const char* sql;
};

const std::vector<Index>& messagesIndexes() {
    static const std::vector<Index> indexes{
        {"message", "create index message_idx_date on message (date)"},
        {"message", "create index message_idx_handle on message (handle_id, date)"},
        {"message", "create index message_idx_associated_message2 on message (associated_message_guid) "
                    "where associated_message_guid is not null"},
        {"chat", "create index chat_idx_chat_identifier on chat (chat_identifier)"},
        {"chat_message_join", "create unique index chat_message_join_key on chat_message_join (chat_id, message_id)"},
        {"chat_message_join",
         "create index chat_message_join_idx_message_id_only on chat_message_join (message_id)"},
        {"chat_handle_join", "create unique index chat_handle_join_key on chat_handle_join (chat_id, handle_id)"},
        {"chat_handle_join", "create index chat_handle_join_idx_handle_id on chat_handle_join (handle_id)"},
        {"message_attachment_join",
         "create unique index message_attachment_join_key on message_attachment_join (message_id, attachment_id)"},
        {"message_attachment_join",
         "create index message_attachment_join_idx_message_id on message_attachment_join (message_id)"},
    };
    return indexes;
}

SqliteConnection createFile(const std::filesystem::path& file) {
    auto connection = SqliteConnection::open(file.string(), SqliteConnection::Mode::readWriteCreate);
    if (!connection) throw std::runtime_error("cannot create " + file.string());
    return std::move(*connection);
}

Cell optionalText(const std::optional<std::string>& text) {
    if (text) return *text;
    return nullptr;
}

} // namespace

MessagesDatabaseFixture::MessagesDatabaseFixture(std::filesystem::path file)
    : MessagesDatabaseFixture(std::move(file), Shape()) {}

MessagesDatabaseFixture::MessagesDatabaseFixture(std::filesystem::path file, Shape shape)
    : file_(std::move(file)), writer_(createFile(file_)) {
    writer_.execute("pragma journal_mode = wal; pragma wal_autocheckpoint = 0;");
    for (const Table& table : messagesTables()) {
        if (shape.withoutTables.contains(table.name)) continue;
        const auto& left = shape.withoutColumns[table.name];
        std::string sql = std::string("create table ") + table.name + " (";
        bool first = true;
        for (const Column& column : table.columns) {
            if (left.contains(column.name)) continue;
            sql += std::string(first ? "" : ", ") + column.name + " " + column.declaration;
            columns_[table.name].insert(column.name);
            first = false;
        }
        writer_.execute(sql + ")");
    }
    for (const Index& index : messagesIndexes()) {
        const auto gaps = shape.withoutColumns.find(index.table);
        const bool whole = gaps == shape.withoutColumns.end() || gaps->second.empty();
        if (whole && !shape.withoutTables.contains(index.table)) writer_.execute(index.sql);
    }
    // The schema goes into the main file; the rows added afterwards stay in the log.
    writer_.execute("pragma wal_checkpoint(truncate)");
}

std::int64_t MessagesDatabaseFixture::insert(const std::string& table,
                                             const std::vector<std::pair<std::string, Cell>>& cells) {
    const auto found = columns_.find(table);
    if (found == columns_.end()) return 0;
    const auto& present = found->second;
    std::string names;
    std::string places;
    std::vector<const Cell*> bound;
    for (const auto& [name, cell] : cells) {
        if (!present.contains(name)) continue;
        names += (names.empty() ? "" : ", ") + name;
        places += places.empty() ? "?" : ", ?";
        bound.push_back(&cell);
    }
    SqliteStatement statement = writer_.prepare(
        bound.empty() ? "insert into " + table + " default values"
                      : "insert into " + table + " (" + names + ") values (" + places + ")");
    for (std::size_t i = 0; i < bound.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::nullptr_t>) statement.bindNull(index);
                else if constexpr (std::is_same_v<T, std::int64_t>) statement.bindInt64(index, value);
                else if constexpr (std::is_same_v<T, std::string>) statement.bindText(index, value);
                else statement.bindBlob(index, value);
            },
            *bound[i]);
    }
    statement.step();
    SqliteStatement rowId = writer_.prepare("select last_insert_rowid()");
    rowId.step();
    return rowId.int64(0);
}

std::int64_t MessagesDatabaseFixture::addHandle(const std::string& id) {
    return insert("handle", {{"id", id}, {"service", std::string("iMessage")}});
}

std::int64_t MessagesDatabaseFixture::addChat(const ChatRow& row) {
    return insert("chat", {{"guid", row.guid ? *row.guid : "iMessage;-;" + row.chatIdentifier},
                           {"chat_identifier", row.chatIdentifier},
                           {"service_name", optionalText(row.serviceName)},
                           {"display_name", optionalText(row.displayName)}});
}

void MessagesDatabaseFixture::addChatHandle(std::int64_t chat, std::int64_t handle) {
    insert("chat_handle_join", {{"chat_id", chat}, {"handle_id", handle}});
}

std::int64_t MessagesDatabaseFixture::addMessage(const MessageRow& row) {
    Cell body = nullptr;
    if (row.attributedBody) body = *row.attributedBody;
    const std::int64_t id = insert("message", {{"guid", optionalText(row.guid)},
                                               {"text", optionalText(row.text)},
                                               {"handle_id", row.handle},
                                               {"service", optionalText(row.service)},
                                               {"error", row.error},
                                               {"date", row.date},
                                               {"date_read", row.dateRead},
                                               {"date_delivered", row.dateDelivered},
                                               {"is_delivered", std::int64_t{row.isDelivered}},
                                               {"is_from_me", std::int64_t{row.isFromMe}},
                                               {"is_sent", std::int64_t{row.isSent}},
                                               {"attributedBody", body},
                                               {"associated_message_guid", optionalText(row.associatedMessageGuid)},
                                               {"associated_message_type", row.associatedMessageType},
                                               {"associated_message_emoji", optionalText(row.associatedMessageEmoji)}});
    if (row.chat != 0) insert("chat_message_join", {{"chat_id", row.chat}, {"message_id", id}});
    return id;
}

std::int64_t MessagesDatabaseFixture::addAttachment(std::int64_t message, const AttachmentRow& row) {
    const std::int64_t id = insert("attachment", {{"guid", optionalText(row.guid)},
                                                  {"filename", optionalText(row.filename)},
                                                  {"uti", optionalText(row.uti)},
                                                  {"mime_type", optionalText(row.mimeType)},
                                                  {"transfer_name", optionalText(row.transferName)},
                                                  {"total_bytes", row.totalBytes},
                                                  {"is_sticker", std::int64_t{row.isSticker}},
                                                  {"is_commsafety_sensitive", std::int64_t{row.isCommsafetySensitive}}});
    insert("message_attachment_join", {{"message_id", message}, {"attachment_id", id}});
    return id;
}

} // namespace tarvo::testing
