#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/Task.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"
#include "TarvoCore/Relay/RelaySendVerdict.h"

namespace tarvo {

// Whether a message handed to the Messages app went out, judged from the rows the app wrote
// to its database after the hand-over.
class RelaySendConfirmation {
public:
    using Date = std::chrono::system_clock::time_point;
    using Seconds = std::chrono::duration<double>;
    // `ChatDatabase::outboundSends`: a blocking read; it runs on a worker.
    using ReadSends = std::function<ChatDatabase::DeliveryReadout(Date at, int limit)>;

    // The waits before each read: reads 2, 7, 19 and 44 s after the hand-over.
    static inline const std::vector<Seconds> attemptDelays{Seconds(2), Seconds(5), Seconds(12), Seconds(25)};
    // Rows stamped this long before the hand-over still count as the send's own.
    static constexpr Seconds clockSlack{2};
    static constexpr int readLimit = 200;

    RelaySendConfirmation() = delete;

    // The rows one send writes: one per file and one for the words, and never fewer than one.
    static int expectedRows(int fileCount, std::string_view body);

    static RelaySendVerdict verdict(const std::vector<ChatDatabase::SendRecord>& rows,
                                    std::string_view conversationRef, int expected);

    // The user's sentence for a refused send.
    static std::string refusalSentence(const std::vector<std::int64_t>& codes, int failedParts, int parts);

    // Waits and reads until the verdict settles or the last read is done; never throws. A read
    // that throws is `unobservable` with the error's text.
    static Task<RelaySendVerdict> confirm(std::string conversationRef, Date handedOverAt, int expected,
                                          ReadSends read);
};

} // namespace tarvo
