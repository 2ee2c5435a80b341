#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "Platform/LinuxContactStore.h"
#include "Support/CapturedPlainLog.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Messages/ContactDirectory.h"

namespace fs = std::filesystem;
using tarvo::ContactStore;
using tarvo::LinuxContactStore;
using Names = std::vector<ContactStore::FullName>;

namespace {

// Folded lines, escapes, groups, quoted parameters, CRLF and LF endings, a vCard 4 telephone
// URI, a card without a name and a line outside any card.
const char* const addressBook =
    "\xEF\xBB\xBF"
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "FN:Lee\\, Ann\r\n"
    " e Marie\r\n"
    "item1.EMAIL;TYPE=INTERNET:Ann.Lee@Example.com\r\n"
    "TEL;TYPE=\"voice,cell:x\":+1 (415) 555-0132\r\n"
    "END:VCARD\r\n"
    "EMAIL:stray@example.com\n"
    "begin:vcard\n"
    "VERSION:4.0\n"
    "fn:Bo Chan\n"
    "FN:Bo Alternative\n"
    "TEL;VALUE=uri:tel:+44-20-7946-0958\n"
    "EMAIL:ann.lee@example.com\n"
    "end:vcard\n"
    "BEGIN:VCARD\n"
    "TEL:555 0199\n"
    "END:VCARD\n";

} // namespace

TEST(LinuxContactStore, FindsNamesByAddressAndNumberInAnExportedFile) {
    tarvo::testing::TemporaryFolder folder;
    const fs::path file = folder / "contacts.vcf";
    std::ofstream(file, std::ios::binary) << addressBook;
    const LinuxContactStore store(file);

    struct Case {
        std::string handle;
        Names names;
    };
    const Case emails[] = {
        {" ANN.LEE@example.com\t", {"Lee, Anne Marie", "Bo Chan"}},
        {"stray@example.com", {}},
        {"", {}},
    };
    for (const auto& c : emails) EXPECT_EQ(store.fullNamesMatchingEmailAddress(c.handle), c.names) << c.handle;
    const Case phones[] = {
        {"+14155550132", {"Lee, Anne Marie"}},
        {"(415) 555-0132", {"Lee, Anne Marie"}},
        {"\xD9\xA4\xD9\xA1\xD9\xA5 \xD9\xA5\xD9\xA5\xD9\xA5 \xD9\xA0\xD9\xA1\xD9\xA3\xD9\xA2", {"Lee, Anne Marie"}},  // ٤١٥ ٥٥٥ ٠١٣٢
        {"020 7946 0958", {"Bo Chan"}},
        {"0044 20 7946 0958", {"Bo Chan"}},
        {"5550199", {std::nullopt}},
        {"415 5550199", {}},
        {"0132", {}},
        {"call me", {}},
    };
    for (const auto& c : phones) EXPECT_EQ(store.fullNamesMatchingPhoneNumber(c.handle), c.names) << c.handle;
}

TEST(LinuxContactStore, AuthorisedExactlyWhileTheFileCanBeRead) {
    tarvo::testing::TemporaryFolder folder;
    const fs::path file = folder / "contacts.vcf";
    LinuxContactStore store(file);
    tarvo::RunLoop loop(std::make_shared<tarvo::FakeClock>());

    EXPECT_EQ(store.authorisationStatus(), ContactStore::denied);
    EXPECT_FALSE(tarvo::runUntilDone(loop, store.requestAccess()));
    EXPECT_THROW(store.fullNamesMatchingEmailAddress("ann@example.com"), ContactStore::Failure);
    EXPECT_EQ(LinuxContactStore(folder.path()).authorisationStatus(), ContactStore::denied);
    EXPECT_EQ(store.whyNoAccess(), "no contacts file at " + file.string());
    EXPECT_EQ(LinuxContactStore(folder.path()).whyNoAccess(), "the contacts file " + folder.path().string() + " is not a file");

    std::ofstream(file) << addressBook;
    EXPECT_EQ(store.authorisationStatus(), ContactStore::authorised);
    EXPECT_EQ(store.whyNoAccess(), std::nullopt);
    EXPECT_TRUE(tarvo::runUntilDone(loop, store.requestAccess()));
}

TEST(LinuxContactStore, AMissingFileIsSaidAsSuchNotAsARefusal) {
    tarvo::testing::TemporaryFolder folder;
    tarvo::RunLoop loop(std::make_shared<tarvo::FakeClock>());
    tarvo::ContactDirectory directory(std::make_shared<LinuxContactStore>(folder / "contacts.vcf"));
    tarvo::testing::CapturedPlainLog log;

    tarvo::runUntilDone(loop, directory.requestAccessIfNeeded());
    EXPECT_EQ(directory.name("+1 415 555 0132"), std::nullopt);

    EXPECT_EQ(log.lines(), std::vector<std::string>{"tarvo: no contacts file at " + (folder / "contacts.vcf").string() +
                                                    "; sender names will NOT be resolved"});
    EXPECT_EQ(directory.drainCoverage(), "named 0, no contact for 0, 1 not looked up (contacts: no contacts file at " +
                                             (folder / "contacts.vcf").string() + ")");
}

TEST(LinuxContactStore, NamesSendersThroughTheDirectory) {
    tarvo::testing::TemporaryFolder folder;
    std::ofstream(folder / "contacts.vcf") << addressBook;
    tarvo::ContactDirectory directory(std::make_shared<LinuxContactStore>(folder / "contacts.vcf"));
    EXPECT_EQ(directory.name("+1 415 555 0132"), "Lee, Anne Marie");
    EXPECT_EQ(directory.name("555 0199"), std::nullopt);
    EXPECT_EQ(directory.drainCoverage(), "named 1, no contact for 1, 0 not looked up (contacts access: authorised)");
}

TEST(LinuxContactStore, DefaultFileIsInTheUsersDataFolder) {
    struct Case {
        const char* xdgDataHome;
        const char* home;
        std::optional<fs::path> file;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"/x/data", "/home/me", fs::path("/x/data/tarvo/contacts.vcf")},
             {"relative", "/home/me", fs::path("/home/me/.local/share/tarvo/contacts.vcf")},
             {nullptr, nullptr, std::nullopt},
         }) {
        EXPECT_EQ(LinuxContactStore::defaultFile(c.xdgDataHome, c.home), c.file);
    }
}

// A name is shown and sent as one line of text, whatever bytes the file holds.
TEST(VCard, ANameIsOneLineOfTextWithoutControlCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"Ann\\nLee", "Ann Lee"},
        {"Ann\\N\\nLee", "Ann Lee"},
        {"\\nAnn Lee\\n", "Ann Lee"},
        {"Ann\x01\x7F\xC2\x85Lee", "Ann Lee"},
        {"Ann \xFFLee", "Ann \xEF\xBF\xBDLee"},
        {"\x1B[31mAnn", "[31mAnn"},
        {"Zo\xC3\xAB \xC2\xA0Lee", "Zo\xC3\xAB \xC2\xA0Lee"},
    };
    for (const auto& [written, read] : cases) {
        const auto cards = tarvo::VCard::parse("BEGIN:VCARD\nFN:" + written + "\nEND:VCARD\n");
        ASSERT_EQ(cards.size(), 1u);
        EXPECT_EQ(cards[0].fullName, read) << written;
    }
}
