#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/WhatsApp/PeekSchedule.h"
#include "TarvoCore/WhatsApp/RetryBudget.h"
#include "TarvoCore/WhatsApp/SentMessages.h"
#include "TarvoCore/WhatsApp/ToPost.h"

using namespace tarvo::WhatsAppWeb;
using Ids = std::vector<std::string>;

namespace {

Attachment photo(std::optional<std::string> bytes, bool viewOnce = false) {
    return {.externalId = "media", .mimeType = "image/jpeg", .ephemeral = viewOnce, .bytes = std::move(bytes)};
}

Message message(std::string id, bool peeked, std::vector<Attachment> attachments = {}) {
    return {.externalId = std::move(id), .attachments = std::move(attachments), .chatKey = "k", .peeked = peeked};
}

Ids ids(const ReadResult& result) {
    Ids out;
    for (const auto& one : result.messages) out.push_back(one.externalId);
    return out;
}

} // namespace

TEST(WhatsAppSentMessages, APeekThatMissedTheBytesOwesThemUntilTheyArePosted) {
    SentMessages sent;
    const Message without = message("A", true, {photo(std::nullopt)});
    const Message with = message("A", true, {photo("JPEG")});
    EXPECT_FALSE(sent.alreadySent(without));
    sent.record(without);
    EXPECT_TRUE(sent.bytesOwed().contains("A"));
    EXPECT_TRUE(sent.alreadySent(without));
    EXPECT_FALSE(sent.alreadySent(with));

    sent.record(with);
    EXPECT_TRUE(sent.bytesOwed().empty());
    EXPECT_TRUE(sent.alreadySent(with));
    EXPECT_TRUE(sent.alreadySent(without));
    EXPECT_EQ(sent.ids(), (std::set<std::string>{"A"}));
}

TEST(WhatsAppSentMessages, OnlyAPeekOfMediaThatCanBeReadAgainOwesBytes) {
    SentMessages sent;
    sent.record(message("viewOnce", true, {photo(std::nullopt, true)}));
    sent.record(message("opened", false, {photo(std::nullopt)}));
    sent.record(message("text", true));
    EXPECT_TRUE(sent.bytesOwed().empty());
    EXPECT_TRUE(sent.alreadySent(message("viewOnce", true, {photo("JPEG", true)})));
    EXPECT_TRUE(sent.alreadySent(message("opened", false, {photo("JPEG")})));
    EXPECT_TRUE(sent.alreadySent(message("text", true)));
}

TEST(WhatsAppSentMessages, TheOldestIdsAreForgottenPastEightHundredWithTheirDebt) {
    SentMessages sent;
    sent.record(message("first", true, {photo(std::nullopt)}));
    sent.record(message("first", true, {photo(std::nullopt)}));
    for (std::size_t index = 2; index <= SentMessages::memory; ++index) sent.record(message(std::to_string(index), false));
    // Recorded twice, it still takes one place: the ledger is full, not past full.
    EXPECT_TRUE(sent.alreadySent(message("first", true)));
    EXPECT_TRUE(sent.bytesOwed().contains("first"));

    sent.record(message("801", false));
    EXPECT_FALSE(sent.alreadySent(message("first", true)));
    EXPECT_TRUE(sent.bytesOwed().empty());
    EXPECT_EQ(sent.ids().size(), SentMessages::memory);
    EXPECT_TRUE(sent.alreadySent(message("2", false)));
}

TEST(WhatsAppToPost, TakesOutWhatWasPostedAndWhatTheServiceKeepsRefusing) {
    SentMessages sent;
    sent.record(message("sent", false));
    PeekSchedule schedule(PeekSchedule::currentVersion);
    schedule.handedOver({message("handed", true)});
    RetryBudget retries(RetryBudget::defaultLimit);
    retries.tries = {{"peeked10", 10}, {"peeked11", 11}, {"opened11", 11}, {"handed", 11}};
    const ReadResult read{
        .messages = {message("sent", false), message("handed", true), message("handedOpened", false),
                     message("peeked10", true), message("peeked11", true), message("opened11", false),
                     message("new", true)},
        .stage = Stage::read,
        .chatsInList = 4,
        .alreadyKnown = 0,
        .fingerprints = {"k|1"},
    };
    const ReadResult posted = toPost(read, sent, schedule, retries);
    EXPECT_EQ(ids(posted), (Ids{"handedOpened", "peeked10", "opened11", "new"}));
    EXPECT_EQ(posted.alreadyKnown, 2);
    EXPECT_EQ(posted.withheld, 1);
    ReadResult rest = posted;
    rest.messages = read.messages;
    rest.alreadyKnown = 0;
    rest.withheld = 0;
    EXPECT_EQ(rest, read);
}

TEST(WhatsAppToPost, APassWithoutMessagesComesBackAsItWas) {
    const ReadResult read{.stage = Stage::read, .changedChats = 2, .note = "quiet"};
    EXPECT_EQ(toPost(read, SentMessages(), PeekSchedule(1), RetryBudget(10)), read);
}
