#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "Support/MessagesDatabaseFixture.h"
#include "Support/TemporaryFolder.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

namespace tarvo {

// Readable failure messages for the records the readers answer.
inline void PrintTo(const ChatDatabase::Attachment& a, std::ostream* out) {
    *out << "{" << a.guid << ", " << a.filename << ", " << a.mimeType << ", " << a.sizeBytes << ", "
         << a.providerHint.value_or("-") << ", " << a.sensitive << ", " << a.localPath.value_or("-") << "}";
}

inline void PrintTo(const ChatDatabase::Message& m, std::ostream* out) {
    *out << "{" << m.guid << ", " << m.chatIdentifier << ", fromMe " << m.isFromMe << ", " << m.handle.value_or("-")
         << ", \"" << m.text << "\", " << ChatDatabase::appleSeconds(m.date) << " s, sms " << m.isSMS << ", group "
         << m.isGroup << ", " << m.groupName.value_or("-") << ", " << m.attachments.size() << " files}";
}

inline void PrintTo(const ChatDatabase::SendRecord& r, std::ostream* out) {
    *out << "{" << r.guid << ", " << r.chatIdentifier << ", " << ChatDatabase::appleSeconds(r.date) << " s, error "
         << r.errorCode << ", sent " << r.isSent << "}";
}

inline void PrintTo(const ChatDatabase::Tapback& t, std::ostream* out) {
    *out << "{row " << t.rowId << ", " << t.targetGuid << ", " << t.reactorKey << ", fromMe " << t.fromMe << ", "
         << t.emoji.value_or("-") << ", " << ChatDatabase::appleSeconds(t.date) << " s, sms " << t.isSMS << "}";
}

inline void PrintTo(const ChatDatabase::Receipt& r, std::ostream* out) {
    *out << "{" << r.guid << ", " << r.status << ", " << ChatDatabase::appleSeconds(r.at) << " s, changed "
         << r.changedAt << ", sms " << r.isSMS << "}";
}

} // namespace tarvo

namespace tarvo::testing {

// Each test gets its own folder, which is also the process's temporary folder, so the
// private copies a reading makes can be counted.
class ChatDatabaseTest : public ::testing::Test {
protected:
    std::filesystem::path chatDbPath() const { return folder / "chat.db"; }

    std::vector<std::string> leftoverCopies() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(temporary)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("tarvo-chatdb-")) names.push_back(name);
        }
        return names;
    }

    static std::string contents(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static void write(const std::filesystem::path& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }

    // A database whose schema reads well but whose rows lie on pages overwritten with junk, as
    // a damaged disk leaves it.
    void makeDamagedDatabase() const {
        {
            MessagesDatabaseFixture fixture(chatDbPath());
            const auto chat = fixture.addChat({.chatIdentifier = "+15550001"});
            fixture.execute("begin");
            for (int i = 0; i < 2000; ++i) {
                fixture.addMessage({.guid = "m" + std::to_string(i),
                                    .chat = chat,
                                    .date = 700000000 + i,
                                    .text = std::string(300, 'x'),
                                    .isFromMe = true});
            }
            fixture.execute("commit");
        }
        std::string bytes = contents(chatDbPath());
        constexpr std::size_t page = 4096;
        ASSERT_GT(bytes.size(), 40 * page);
        std::fill(bytes.begin() + 20 * page, bytes.end(), '\xFF');
        write(chatDbPath(), bytes);
    }

    TemporaryFolder folder;
    std::filesystem::path temporary = folder / "tmp";
    TemporaryFolderOverride temporaryOverride{temporary};
};

} // namespace tarvo::testing
