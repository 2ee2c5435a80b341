#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "TarvoBase/Clock.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseTest.h"
#include "TarvoCore/Relay/RelaySendConfirmation.h"

using namespace std::chrono_literals;
using tarvo::ChatDatabase;
using tarvo::RelaySendConfirmation;
using tarvo::RelaySendVerdict;
using tarvo::testing::ChatDatabaseTest;
using tarvo::testing::MessagesDatabaseFixture;
using Verdict = RelaySendVerdict;

namespace tarvo {

inline void PrintTo(const RelaySendVerdict& verdict, std::ostream* out) {
    std::visit(
        [out](const auto& c) {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, Verdict::Refused>) {
                *out << "refused(" << c.codes.size() << " codes, " << c.failedParts << " of " << c.parts << ")";
            } else if constexpr (std::is_same_v<C, Verdict::NotYetSettled>) {
                *out << "notYetSettled(" << c.seen << " of " << c.expected << ")";
            } else if constexpr (std::is_same_v<C, Verdict::NeverWritten>) {
                *out << "neverWritten(" << c.expected << ")";
            } else if constexpr (std::is_same_v<C, Verdict::Unobservable>) {
                *out << "unobservable(" << c.reason << ")";
            } else {
                *out << "delivered";
            }
        },
        verdict.value());
}

} // namespace tarvo

namespace {

constexpr auto ours = "+15551234567";

ChatDatabase::SendRecord row(std::string chat, std::int64_t error, bool sent) {
    return {"guid", std::move(chat), ChatDatabase::appleEpoch, error, sent};
}

} // namespace

TEST(RelaySendConfirmation, ExpectedRows) {
    struct Case {
        int files;
        std::string body;
        int rows;
    };
    for (const Case& c : std::initializer_list<Case>{
             {0, "", 1},
             {0, " \n\r\n\t ", 1},
             {0, "hello", 1},
             {2, "hello", 3},
             {2, "", 2},
             {1, "\xE2\x80\xA8", 1}, // a line separator alone is no words
         }) {
        EXPECT_EQ(RelaySendConfirmation::expectedRows(c.files, c.body), c.rows) << c.files << " / " << c.body;
    }
}

TEST(RelaySendConfirmation, VerdictOfTheConversationsRows) {
    struct Case {
        std::vector<ChatDatabase::SendRecord> rows;
        int expected;
        Verdict verdict;
    };
    for (const Case& c : std::initializer_list<Case>{
             {{}, 1, Verdict::NeverWritten{1}},
             {{row(ours, 0, true)}, 1, Verdict::Delivered{}},
             {{row("5551234567", 0, true)}, 1, Verdict::Delivered{}}, // written without the country code
             {{row(ours, 22, false), row(ours, 0, false)}, 1, Verdict::Refused{{22}, 1, 2}},
             {{row(ours, 4, true)}, 2, Verdict::Refused{{4}, 1, 1}}, // a refusal wins over too few rows
             {{row(ours, 22, false), row(ours, 4, false), row(ours, 22, false)}, 3, Verdict::Refused{{4, 22}, 3, 3}},
             {{row(ours, 0, false)}, 1, Verdict::NotYetSettled{1, 1}},
             {{row(ours, 0, true)}, 2, Verdict::NotYetSettled{1, 2}},
             {{row(ours, 0, true), row(ours, 0, true), row(ours, 0, false)}, 2, Verdict::NotYetSettled{3, 2}},
             {{row(ours, 0, true), row(ours, 0, true), row(ours, 0, true)}, 2, Verdict::Delivered{}},
             // Other conversations never count, refused or not.
             {{row("+15559999999", 0, true), row("friend@example.com", 5, false)}, 1, Verdict::NeverWritten{1}},
             {{row(ours, 0, true), row("+15559999999", 0, true)}, 2, Verdict::NotYetSettled{1, 2}},
             {{}, 0, Verdict::Delivered{}},
         }) {
        EXPECT_EQ(RelaySendConfirmation::verdict(c.rows, "+1 (555) 123-4567", c.expected), c.verdict)
            << ::testing::PrintToString(c.verdict) << " expected from " << c.rows.size() << " rows";
    }
}

TEST(RelaySendConfirmation, RefusalSentences) {
    EXPECT_EQ(RelaySendConfirmation::refusalSentence({22}, 1, 2),
              "Messages did not deliver all of this — 1 of 2 parts is marked Not Delivered there (error 22). The "
              "rest did go, so check Messages before sending it again.");
    EXPECT_EQ(RelaySendConfirmation::refusalSentence({4}, 1, 1),
              "Messages did not deliver this — it did not go, and it is marked Not Delivered there (error 4). Tarvo "
              "did not send it, whatever the card said before.");
    EXPECT_EQ(RelaySendConfirmation::refusalSentence({4, 22}, 3, 3),
              "Messages did not deliver this — it did not go, and it is marked Not Delivered there (error 4, 22). "
              "Tarvo did not send it, whatever the card said before.");
}

namespace {

// Confirms a send against the test's Messages database on a fake clock, noting when each read
// happened; `between` runs right after the given read.
struct ConfirmationTest : ChatDatabaseTest {
    std::shared_ptr<tarvo::FakeClock> clock = std::make_shared<tarvo::FakeClock>();
    tarvo::RunLoop loop{clock};
    ChatDatabase::Date handedOverAt = ChatDatabase::appleEpoch + 780000000s;

    std::mutex mutex;
    std::vector<std::chrono::seconds> readsAt;

    Verdict confirm(int expected, std::size_t afterRead = 0, std::function<void()> between = {}) {
        const auto start = clock->now();
        const ChatDatabase database(chatDbPath());
        auto read = [&, start, afterRead, between, database](ChatDatabase::Date at, int limit) {
            std::size_t reads = 0;
            {
                std::lock_guard lock(mutex);
                readsAt.push_back(std::chrono::duration_cast<std::chrono::seconds>(clock->now() - start));
                reads = readsAt.size();
            }
            auto readout = database.outboundSends(at, limit);
            if (reads == afterRead) between();
            return readout;
        };
        return tarvo::runUntilDone(loop, RelaySendConfirmation::confirm("+1 (555) 123-4567", handedOverAt, expected,
                                                                       read));
    }

    static std::int64_t raw(ChatDatabase::Date date) { return MessagesDatabaseFixture::nanoseconds(date); }
};

} // namespace

TEST_F(ConfirmationTest, RowsThatAppearLaterSettleTheVerdictAtTheNextRead) {
    MessagesDatabaseFixture fixture(chatDbPath());
    const auto chat = fixture.addChat({.chatIdentifier = ours});
    const auto other = fixture.addChat({.chatIdentifier = "+15559999999"});
    // Before the hand-over, and in another conversation at the same moment: neither counts.
    auto sent = [&](std::string guid, std::int64_t chatRow, ChatDatabase::Date at) {
        fixture.addMessage({.guid = std::move(guid), .chat = chatRow, .date = raw(at), .isFromMe = true, .isSent = true});
    };
    sent("earlier", chat, handedOverAt - 5s);
    sent("elsewhere", other, handedOverAt + 1s);
    sent("file", chat, handedOverAt + 1s);

    const Verdict verdict = confirm(2, 2, [&] { sent("words", chat, handedOverAt + 9s); });

    EXPECT_EQ(verdict, Verdict::Delivered{});
    EXPECT_EQ(readsAt, (std::vector<std::chrono::seconds>{2s, 7s, 19s}));
}

TEST_F(ConfirmationTest, NoRowAtTheFirstReadIsNoAnswerYet) {
    MessagesDatabaseFixture fixture(chatDbPath());
    const auto chat = fixture.addChat({.chatIdentifier = ours});

    // Messages wrote the row 4 s after it took the message.
    const Verdict verdict = confirm(1, 1, [&] {
        fixture.addMessage({.guid = "slow", .chat = chat, .date = raw(handedOverAt + 4s), .isFromMe = true,
                            .isSent = true});
    });

    EXPECT_EQ(verdict, Verdict::Delivered{});
    EXPECT_EQ(readsAt, (std::vector<std::chrono::seconds>{2s, 7s}));
}

TEST_F(ConfirmationTest, ASettledVerdictEndsTheWaitAndAnUnsettledOneLastsFourReads) {
    struct Case {
        std::string name;
        bool withRow;
        bool withDatabase;
        std::int64_t error;
        bool sent;
        Verdict verdict;
        std::vector<std::chrono::seconds> reads;
    };
    const std::string missing = ChatDatabase::Failure::notFound(chatDbPath().string()).description();
    for (const Case& c : std::initializer_list<Case>{
             {"refused", true, true, 22, false, Verdict::Refused{{22}, 1, 1}, {2s}},
             {"unsent", true, true, 0, false, Verdict::NotYetSettled{1, 1}, {2s, 7s, 19s, 44s}},
             {"never written", false, true, 0, false, Verdict::NeverWritten{1}, {2s, 7s, 19s, 44s}},
             {"no database", true, false, 0, false, Verdict::Unobservable{missing}, {2s}},
         }) {
        readsAt.clear();
        std::filesystem::remove(chatDbPath());
        std::optional<MessagesDatabaseFixture> fixture;
        if (c.withDatabase) {
            fixture.emplace(chatDbPath());
            const auto chat = fixture->addChat({.chatIdentifier = ours});
            if (c.withRow) {
                fixture->addMessage({.guid = "m", .chat = chat, .date = raw(handedOverAt), .isFromMe = true,
                                     .error = c.error, .isSent = c.sent});
            }
        }
        EXPECT_EQ(confirm(1), c.verdict) << c.name;
        EXPECT_EQ(readsAt, c.reads) << c.name;
    }
}
