#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Support/MessagesDatabaseFixture.h"
#include "Support/TemporaryFolder.h"
#include "TarvoCore/ChatDatabase/ChatDatabase.h"

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
            for (int i = 0; i < 2000; ++i) {
                fixture.addMessage({.guid = "m" + std::to_string(i),
                                    .chat = chat,
                                    .date = 700000000 + i,
                                    .text = std::string(300, 'x'),
                                    .isFromMe = true});
            }
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
