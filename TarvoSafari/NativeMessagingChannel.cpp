#include "TarvoSafari/NativeMessagingChannel.h"

#include <cstring>

#include "TarvoBase/FileCalls.h"

namespace tarvo {
namespace {

// The number of bytes read into `into`, fewer than `count` only when the input ended.
std::size_t readUpTo(int fd, char* into, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const std::size_t read = FileCalls::read(fd, into + done, count - done);
        if (read == 0) break;
        done += read;
    }
    return done;
}

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) bytes.remove_prefix(FileCalls::write(fd, bytes.data(), bytes.size()));
}

} // namespace

NativeMessagingChannel::Read NativeMessagingChannel::next() {
    char header[sizeof(std::uint32_t)];
    const std::size_t headerRead = readUpTo(input_, header, sizeof header);
    if (headerRead == 0) return Ended{};
    if (headerRead < sizeof header) return CutShort{};
    std::uint32_t length = 0;
    std::memcpy(&length, header, sizeof length);
    if (length > largestMessage) return TooLong{length};
    std::string bytes(length, '\0');
    if (readUpTo(input_, bytes.data(), length) < length) return CutShort{};
    return Message{std::move(bytes)};
}

void NativeMessagingChannel::send(std::string_view message) {
    const auto length = static_cast<std::uint32_t>(message.size());
    std::string frame(sizeof length, '\0');
    std::memcpy(frame.data(), &length, sizeof length);
    frame += message;
    writeAll(output_, frame);
}

} // namespace tarvo
