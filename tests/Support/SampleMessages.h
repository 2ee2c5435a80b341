#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Support/MessagesDatabaseFixture.h"

namespace tarvo::testing {

// A few conversations as the Messages app keeps them in a home folder: a direct one with a
// photo, a reaction and this computer's own answer (delivered and read), a named group, and an
// SMS conversation.
struct SampleMessages {
    using Date = std::chrono::system_clock::time_point;

    std::int64_t him = 0;
    std::int64_t her = 0;
    std::int64_t third = 0;
    std::int64_t direct = 0;
    std::int64_t group = 0;
    std::int64_t sms = 0;
    // The guids of the messages, oldest first; reactions are no messages.
    std::vector<std::string> guids;
    // This computer's own message that was reacted to, delivered and read.
    std::string answered;

    // Writes them into `database` dated up to three hours before `now`, their files under `home`.
    static SampleMessages write(MessagesDatabaseFixture& database, const std::filesystem::path& home, Date now);

    // Where the Messages app keeps the file of attachment `guid` named `name`.
    static std::filesystem::path filePath(const std::filesystem::path& home, const std::string& guid,
                                          const std::string& name);
    // A file of the message at `messageRow`, its bytes at its `filePath`.
    static void addFile(MessagesDatabaseFixture& database, const std::filesystem::path& home,
                        std::int64_t messageRow, const std::string& guid, const std::string& name,
                        const std::string& mimeType, const std::string& bytes);
};

} // namespace tarvo::testing
