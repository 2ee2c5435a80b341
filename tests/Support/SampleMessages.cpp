#include "Support/SampleMessages.h"

#include <fstream>

namespace tarvo::testing {
namespace {

using namespace std::chrono_literals;

std::int64_t at(SampleMessages::Date date) { return MessagesDatabaseFixture::nanoseconds(date); }

} // namespace

SampleMessages SampleMessages::write(MessagesDatabaseFixture& database, const std::filesystem::path& home, Date now) {
    SampleMessages sample;
    sample.him = database.addHandle("+15550100");
    sample.her = database.addHandle("ana@example.com");
    sample.third = database.addHandle("+15550300");
    sample.direct = database.addChat({.chatIdentifier = "+15550100"});
    database.addChatHandle(sample.direct, sample.him);
    sample.group = database.addChat(
        {.chatIdentifier = "chat4455667788", .displayName = "Climbing", .guid = "iMessage;+;chat4455667788"});
    database.addChatHandle(sample.group, sample.her);
    database.addChatHandle(sample.group, sample.third);
    sample.sms = database.addChat({.chatIdentifier = "+15550300", .serviceName = "SMS"});
    database.addChatHandle(sample.sms, sample.third);

    const auto add = [&](MessagesDatabaseFixture::MessageRow row) {
        sample.guids.push_back(*row.guid);
        return database.addMessage(row);
    };
    add({.guid = "SAMPLE-1", .chat = sample.direct, .date = at(now - 3h), .text = "Are you coming tonight?",
         .handle = sample.him});
    sample.answered = "SAMPLE-2";
    add({.guid = sample.answered, .chat = sample.direct, .date = at(now - 170min), .text = "Yes, at eight",
         .isFromMe = true, .service = "iMessage", .isSent = true, .isDelivered = true,
         .dateDelivered = at(now - 169min), .dateRead = at(now - 168min)});
    const std::int64_t map = add({.guid = "SAMPLE-3", .chat = sample.direct, .date = at(now - 2h),
                                  .text = "Here is the map — café at the corner ☕", .handle = sample.him});
    addFile(database, home, map, "SAMPLE-FILE-1", "map.jpeg", "image/jpeg",
            std::string("\xff\xd8\xff\xe0 a map \x00\x01 of the corner", 26));
    add({.guid = "SAMPLE-4", .chat = sample.group, .date = at(now - 90min), .text = "Who brings the rope?",
         .handle = sample.her});
    add({.guid = "SAMPLE-5", .chat = sample.group, .date = at(now - 80min), .text = "I do", .handle = sample.third});
    add({.guid = "SAMPLE-6", .chat = sample.sms, .date = at(now - 1h), .text = "Your code is 123456",
         .handle = sample.third, .service = "SMS"});
    database.addMessage({.guid = "SAMPLE-LOVED", .chat = sample.direct, .date = at(now - 160min),
                         .text = "Loved “Yes, at eight”", .handle = sample.him, .associatedMessageType = 2000,
                         .associatedMessageGuid = "p:0/" + sample.answered});
    return sample;
}

std::filesystem::path SampleMessages::filePath(const std::filesystem::path& home, const std::string& guid,
                                              const std::string& name) {
    return home / "Library/Messages/Attachments" / guid / name;
}

void SampleMessages::addFile(MessagesDatabaseFixture& database, const std::filesystem::path& home,
                             std::int64_t messageRow, const std::string& guid, const std::string& name,
                             const std::string& mimeType, const std::string& bytes) {
    const std::filesystem::path file = filePath(home, guid, name);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    database.addAttachment(messageRow, {.guid = guid,
                                        .filename = "~/" + file.lexically_relative(home).string(),
                                        .transferName = name,
                                        .mimeType = mimeType,
                                        .totalBytes = static_cast<std::int64_t>(bytes.size())});
}

} // namespace tarvo::testing
