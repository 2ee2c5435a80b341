#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace tarvo {

// The browser's native-messaging framing on a pair of file descriptors: each message is its
// length in bytes, a 32-bit integer in the machine's own byte order, then that many bytes of
// UTF-8 JSON. The same framing goes both ways.
class NativeMessagingChannel {
public:
    // The most a browser sends in one message.
    static constexpr std::uint32_t largestMessage = 64u * 1024u * 1024u;

    struct Message {
        std::string bytes;
    };
    // The input ended between two messages.
    struct Ended {};
    // The input ended inside a message: what came of it is no message.
    struct CutShort {};
    // The length announced more than `largestMessage`; its bytes were not read.
    struct TooLong {
        std::uint32_t length;
    };
    using Read = std::variant<Message, Ended, CutShort, TooLong>;

    NativeMessagingChannel(int input, int output) : input_(input), output_(output) {}

    Read next();
    // Throws std::system_error when the other end no longer reads.
    void send(std::string_view message);

private:
    int input_;
    int output_;
};

} // namespace tarvo
