#include <gtest/gtest.h>

#include <memory>

#include "Support/CapturedPlainLog.h"
#include "Support/MemoryContactStore.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Messages/ContactDirectory.h"

using tarvo::ContactDirectory;
using tarvo::ContactStore;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::MemoryContactStore;
using Strings = std::vector<std::string>;

namespace {

struct Directory {
    std::shared_ptr<MemoryContactStore> store = std::make_shared<MemoryContactStore>();
    ContactDirectory directory{store};
    tarvo::RunLoop loop{std::make_shared<tarvo::FakeClock>()};

    explicit Directory(ContactStore::AuthorisationStatus status) { store->status = status; }
    void requestAccess() { tarvo::runUntilDone(loop, directory.requestAccessIfNeeded()); }
};

} // namespace

TEST(ContactDirectory, NormaliseKeysAddressesByCaseAndPhonesByTheirLastTenNumbers) {
    struct Case {
        std::string handle;
        std::string key;
    };
    const Case cases[] = {
        {"  Ann.Lee@Example.COM\t", "ann.lee@example.com"},
        {"\tann.lee@example.com ", "ann.lee@example.com"},
        {"+1 (415) 555-0132", "4155550132"},
        {"415.555.0132", "4155550132"},
        {"+44 (20) 7946 0958", "2079460958"},
        {"0044 20 7946 0958", "2079460958"},
        {"555 0199", "5550199"},
        {"+\xD9\xA1 \xD9\xA4\xD9\xA1\xD9\xA5 \xD9\xA5\xD9\xA5\xD9\xA5 \xD9\xA0\xD9\xA1\xD9\xA3\xD9\xA2",  // +١ ٤١٥ ٥٥٥ ٠١٣٢
         "\xD9\xA4\xD9\xA1\xD9\xA5\xD9\xA5\xD9\xA5\xD9\xA5\xD9\xA0\xD9\xA1\xD9\xA3\xD9\xA2"},
        {"Ann Lee", ""},
        {" \t ", ""},
        {"ann@example.com\n", "ann@example.com\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(ContactDirectory::normalise(c.handle), c.key) << c.handle;
}

TEST(ContactDirectory, LooksEachKeyUpOnceWithTheHandleAsGiven) {
    Directory d(ContactStore::authorised);
    d.store->byEmailAddress["Ann@Example.com "] = {"Ann Lee", "Ann Other"};
    d.store->byPhoneNumber["+1 (415) 555-0132"] = {" Bo Chan "};

    EXPECT_EQ(d.directory.name("Ann@Example.com "), "Ann Lee");
    EXPECT_EQ(d.directory.name("ann@example.com"), "Ann Lee");
    EXPECT_EQ(d.directory.name("+1 (415) 555-0132"), " Bo Chan ");
    EXPECT_EQ(d.directory.name("415-555-0132"), " Bo Chan ");
    EXPECT_EQ(d.directory.name("Ann Lee"), std::nullopt);

    EXPECT_EQ(d.store->emailQueries, Strings{"Ann@Example.com "});
    EXPECT_EQ(d.store->phoneQueries, Strings{"+1 (415) 555-0132"});
    EXPECT_EQ(d.directory.drainCoverage(), "named 4, no contact for 0, 0 not looked up (contacts access: authorised)");
}

TEST(ContactDirectory, AnythingButAUsableFirstNameIsACachedMiss) {
    Directory d(ContactStore::authorised);
    d.store->byPhoneNumber["5550101"] = {};
    d.store->byPhoneNumber["5550102"] = {std::nullopt, "Second Choice"};
    d.store->byPhoneNumber["5550103"] = {" \t"};
    d.store->failingQueries.insert("5550104");
    for (const std::string handle : {"5550101", "5550102", "5550103", "5550104", "5550105"}) {
        EXPECT_EQ(d.directory.name(handle), std::nullopt) << handle;
        EXPECT_EQ(d.directory.name(handle), std::nullopt) << handle;
    }
    EXPECT_EQ(d.store->phoneQueries.size(), 5u);
    EXPECT_EQ(d.directory.drainCoverage(), "named 0, no contact for 10, 0 not looked up (contacts access: authorised)");
    EXPECT_EQ(d.directory.drainCoverage(), "no sender to name");
}

TEST(ContactDirectory, WithoutAccessNothingIsLookedUpOrCachedUntilAccessExists) {
    Directory d(ContactStore::notDetermined);
    d.store->byEmailAddress["ann@example.com"] = {"Ann Lee"};
    EXPECT_EQ(d.directory.name("ann@example.com"), std::nullopt);
    EXPECT_EQ(d.directory.name("ann@example.com"), std::nullopt);
    EXPECT_TRUE(d.store->emailQueries.empty());
    EXPECT_EQ(d.directory.drainCoverage(), "named 0, no contact for 0, 2 not looked up (contacts access: not yet asked)");

    d.store->status = ContactStore::authorised;
    EXPECT_EQ(d.directory.name("ann@example.com"), "Ann Lee");
    EXPECT_EQ(d.store->emailQueries.size(), 1u);
}

TEST(ContactDirectory, AsksForAccessOnceAndForgetsOnlyMissesWhenGranted) {
    Directory d(ContactStore::authorised);
    d.store->byEmailAddress["ann@example.com"] = {"Ann Lee"};
    EXPECT_EQ(d.directory.name("ann@example.com"), "Ann Lee");
    EXPECT_EQ(d.directory.name("bo@example.com"), std::nullopt);
    EXPECT_EQ(d.directory.name("5550101"), std::nullopt);
    d.store->status = ContactStore::notDetermined;
    d.store->byEmailAddress["bo@example.com"] = {"Bo Chan"};

    CapturedPlainLog log;
    d.requestAccess();
    d.requestAccess();
    EXPECT_EQ(d.store->accessRequests, 1);
    EXPECT_EQ(log.lines(), (Strings{
                               "tarvo: contacts access granted — sender names will be resolved from here on",
                               "tarvo: contacts access arrived, re-resolving 2 handle(s) looked up without it",
                           }));
    EXPECT_EQ(d.directory.name("bo@example.com"), "Bo Chan");
    EXPECT_EQ(d.directory.name("ann@example.com"), "Ann Lee");
    EXPECT_EQ(d.store->emailQueries, (Strings{"ann@example.com", "bo@example.com", "bo@example.com"}));
}

TEST(ContactDirectory, LogsWhatTheOneAccessQuestionFound) {
    struct Case {
        ContactStore::AuthorisationStatus status;
        std::optional<bool> grants;
        int requests;
        std::string line;
    };
    const Case cases[] = {
        {ContactStore::authorised, true, 0, "tarvo: contacts access is authorised; sender names will be resolved"},
        {ContactStore::denied, true, 0, "tarvo: contacts access is denied; sender names will NOT be resolved"},
        {ContactStore::restricted, true, 0,
         "tarvo: contacts access is restricted by policy; sender names will NOT be resolved"},
        {7, true, 0, "tarvo: contacts access is unknown (7); sender names will NOT be resolved"},
        {ContactStore::notDetermined, false, 1,
         "tarvo: contacts access refused — sender names stay as raw handles, which is allowed"},
        {ContactStore::notDetermined, std::nullopt, 1,
         "tarvo: contacts access could not be requested: the request was not delivered. If the prompt never "
         "appeared, the bundle is missing NSContactsUsageDescription"},
    };
    for (const auto& c : cases) {
        Directory d(c.status);
        d.store->grants = c.grants;
        CapturedPlainLog log;
        d.requestAccess();
        d.requestAccess();
        EXPECT_EQ(d.store->accessRequests, c.requests);
        EXPECT_EQ(log.lines(), Strings{c.line});
    }
}
