#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TarvoCore/WhatsApp/Message.h"
#include "TarvoCore/WhatsApp/ReadResult.h"

namespace tarvo::WhatsAppWeb {

// Which chats a capture pass peeks at (reads out of the page's memory without opening them), most
// urgent first, and what the peeks learned between passes: when each chat was last read, which of
// its messages are still decrypting, which were given up on, which were already handed to the
// service. A chat is named by its chat key; a message by a tag. A plain value: the caller passes the
// time and loads and saves its stored form.
struct PeekSchedule {
    using Date = std::chrono::system_clock::time_point;
    using Seconds = std::chrono::duration<double>;
    using Tags = std::vector<std::string>;

    static constexpr std::int64_t currentVersion = 1;
    // A chat that is not waiting is due again this long after its last read.
    static constexpr Seconds interval{300};
    // A chat waiting on a message still decrypting is due again this long after its last read...
    static constexpr Seconds slowInterval{60};
    // ...for this long, after which its messages are given up on.
    static constexpr Seconds slowLimit{21600};
    // The most chats the capture script looks at per pass.
    static constexpr std::int64_t perPass = 6;
    // How many waiting chats go ahead of every other due chat.
    static constexpr std::size_t slowShare = 3;
    // A chat not present for this long is forgotten.
    static constexpr Seconds forgetAfter{604800};
    static constexpr std::size_t handedPerChat = 60;

    // The store is ignored when its version differs; never changed once made.
    std::int64_t version;
    std::map<std::string, Date> lastRead{};
    // Since when the chat waits on at least one message still decrypting.
    std::map<std::string, Date> waitingSince{};
    // The capture script's tags of the messages a chat waits on: sorted, never empty while the chat
    // is in `waitingSince`.
    std::map<std::string, Tags> waitingFor{};
    // Given up on after `slowLimit` but still watched for; sorted.
    std::map<std::string, Tags> abandoned{};
    // `tag`s of the messages handed to the service, oldest first, at most `handedPerChat` a chat.
    std::map<std::string, Tags> handed{};
    // When the chat was last in the chat list or read.
    std::map<std::string, Date> present{};
    // How many chats the latest `record` gave up on; not stored.
    std::int64_t gaveUpLastPass = 0;

    explicit PeekSchedule(std::int64_t version) : version(version) {}
    // A missing, damaged or other-version store gives the empty schedule of `version`.
    PeekSchedule(const std::optional<std::string>& stored, std::int64_t version);

    // The stored form: JSON, keys sorted, dates as seconds since 1970. Empty when it cannot be
    // encoded (and that reads back as an empty schedule).
    std::string stored() const;

    // The chats of `listed` to peek, most urgent first: up to `slowShare` waiting chats, the chats
    // never read, the others by how long ago they were read, then the rest of the waiting ones.
    std::vector<std::string> due(const std::vector<std::string>& listed, Date now) const;
    // For each of `keys`, the tags to look out for; chats with none are left out.
    std::map<std::string, Tags> watching(const std::vector<std::string>& keys) const;
    // Books one capture pass; `listed` is the chat list's keys after it.
    void record(const ReadResult& result, const std::vector<std::string>& listed, Date now);
    // Makes these chats due on the next pass, ahead of every chat read before.
    void readAgain(const std::set<std::string>& chats);
    void handedOver(const std::vector<Message>& messages);
    bool alreadyHanded(const Message& message) const;
    // One line on the waiting chats, empty when there is nothing to say.
    std::string summary() const;

    // 32-bit FNV-1a of the id's bytes, in base 36.
    static std::string tag(const std::string& id);

    bool operator==(const PeekSchedule&) const = default;
};

} // namespace tarvo::WhatsAppWeb
