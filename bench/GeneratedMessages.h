#pragma once

#include <cstdint>

#include "Support/MessagesDatabaseFixture.h"

namespace tarvo::bench {

// A Messages database as a heavy user's looks: thousands of handles and chats, and `messages`
// rows two seconds apart from `generatedFirstSecond` on, in one transaction.
namespace GeneratedMessages {

constexpr int chatCount = 2000;
constexpr int handleCount = 3000;
// Seconds since 2001-01-01 of the first generated message: long before any run, so that none is
// recent to the capture.
constexpr std::int64_t firstSecond = 700000000;

// The raw date of the generated message numbered `message`.
inline std::int64_t dateOf(std::int64_t message) { return (firstSecond + 2 * message) * 1000000000 + 123456; }

// Every row has a rich-text body, as in the Messages app; one in ten has its text only there,
// one in twenty a file, one in thirty-three is a reaction. Leaves the log empty.
void fill(testing::MessagesDatabaseFixture& fixture, int messages);

} // namespace GeneratedMessages
} // namespace tarvo::bench
