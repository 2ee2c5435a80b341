#include "GeneratedMessages.h"

#include <string>
#include <vector>

#include <fmt/format.h>

#include "Support/TypedStream.h"

namespace tarvo::bench::GeneratedMessages {
namespace {

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (auto byte : bytes) out += fmt::format("{:02X}", byte);
    return out;
}

} // namespace

void fill(testing::MessagesDatabaseFixture& fixture, int messages) {
    const auto empty = testing::typedStreamHolding("");
    const std::size_t headSize = empty.size() - 102;
    const std::string head = hex({empty.begin(), empty.begin() + static_cast<long>(headSize)});
    const std::string tail = hex({empty.begin() + static_cast<long>(headSize) + 1, empty.end()});
    const std::string body = fmt::format("X'{}' || cast(char(length(b)) as blob) || cast(b as blob) || X'{}'", head, tail);
    fixture.execute(fmt::format(R"(
begin;
with recursive n(i) as (select 1 union all select i + 1 from n where i < {handles})
insert into handle (ROWID, id, service) select i, '+1555' || printf('%07d', i), 'iMessage' from n;
with recursive n(i) as (select 1 union all select i + 1 from n where i < {chats})
insert into chat (ROWID, guid, chat_identifier, service_name, display_name)
select i, 'iMessage;-;chat' || i, case when i % 10 = 0 then 'chat' || i else '+1555' || printf('%07d', i) end,
       case when i % 4 = 0 then 'SMS' else 'iMessage' end, case when i % 10 = 0 then 'Group ' || i end from n;
insert into chat_handle_join select ROWID, ROWID from chat;
insert into chat_handle_join select ROWID, ROWID + 1 from chat where ROWID % 10 = 0;
insert into chat_handle_join select ROWID, ROWID + 2 from chat where ROWID % 10 = 0;
with recursive n(i) as (select 1 union all select i + 1 from n where i < {messages}),
     t(i, b) as (select i, 'Message number ' || i || ' with a few words in it' from n)
insert into message (ROWID, guid, text, handle_id, service, date, is_from_me, attributedBody, associated_message_type,
                     associated_message_guid)
select i, 'G' || i, case when i % 10 = 0 then null else b end, i % {handles} + 1, 'iMessage',
       ({first} + 2 * i) * 1000000000 + 123456, i % 3 = 0, {body},
       case when i % 33 = 0 then 2000 else 0 end, case when i % 33 = 0 then 'p:0/G' || (i - 1) end
from t;
insert into chat_message_join (chat_id, message_id) select ROWID % {chats} + 1, ROWID from message;
insert into attachment (ROWID, guid, filename, uti, mime_type, transfer_name, total_bytes)
select ROWID, 'A' || ROWID, '~/Library/Messages/Attachments/' || (ROWID % 100) || '/IMG_' || ROWID || '.HEIC',
       'public.heic', 'image/heic', 'IMG_' || ROWID || '.HEIC', 123456
from message where ROWID % 20 = 0;
insert into message_attachment_join select ROWID, ROWID from attachment;
commit;
pragma wal_checkpoint(truncate);
)",
                                fmt::arg("handles", handleCount), fmt::arg("chats", chatCount),
                                fmt::arg("messages", messages), fmt::arg("first", firstSecond),
                                fmt::arg("body", body)));
}


} // namespace tarvo::bench::GeneratedMessages
