#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FuzzCheck.h"
#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/LogSink.h"
#include "TarvoBase/Logger.h"
#include "TarvoSafari/NativeMessagingChannel.h"
#include "TarvoSafari/TarvoSafariWebExtensionHandler.h"

// What the browser writes to the extension handler: length-prefixed frames, arriving in reads of
// any size. The first byte's low six bits say how many of the next bytes give the sizes of the
// writes, and its high two bits how the stream ends: after its last frame, with a length past
// what a browser sends, or inside a header. The rest is the frames, each a 16-bit length (low
// byte first) and that many bytes; a frame that has fewer left ends the stream inside a message.
// A length is never larger, so that reading one costs no allocation of megabytes; the channel
// reads every length alike. The handler's loop is the one of its executable: one answer per
// message, a refusal for a length past what a browser sends, and the end at the end of the input.
//
// The channel reads the frames the stream holds, whatever the split, each once and in order, and
// tells a stream that ends inside a frame from one that ends between two. The handler answers the
// hello exactly when the message is a JSON object whose "kind" is the hello's, and refuses
// anything else; what it sends reads back as the same answers.
namespace {

using namespace tarvo;
using fuzz::require;
using Channel = NativeMessagingChannel;

class SilentSink : public LogSink {
public:
    bool isEnabled(std::string_view, std::string_view, LogLevel) const override { return false; }
    void write(const LogEntry&) override {}
};

const TarvoSafariWebExtensionHandler& handler() {
    static const TarvoSafariWebExtensionHandler instance = [] {
        Logger::setSink(std::make_shared<SilentSink>());
        const auto file = fuzz::workFolder() / "bundle-info.json";
        std::ofstream(file) << R"({"CFBundleShortVersionString": "1.2.3", "CFBundleVersion": "45"})";
        return TarvoSafariWebExtensionHandler(BundleInfo::read(file));
    }();
    return instance;
}

const Json hello{{"ok", true}, {"version", "1.2.3"}, {"build", "45"}};

std::string header(std::uint32_t length) {
    std::string bytes(sizeof length, '\0');
    std::memcpy(bytes.data(), &length, sizeof length);
    return bytes;
}

// The stream the input describes, and what reading it gives.
struct Stream {
    std::string bytes;
    std::vector<std::string> messages;
    Channel::Read last = Channel::Ended{};
};

Stream streamOf(std::uint8_t ending, std::string_view frames) {
    Stream stream;
    while (frames.size() >= 2) {
        const std::uint32_t length = static_cast<std::uint8_t>(frames[0]) | static_cast<std::uint8_t>(frames[1]) << 8;
        frames.remove_prefix(2);
        stream.bytes += header(length);
        if (frames.size() < length) {
            stream.bytes += frames;
            stream.last = Channel::CutShort{};
            return stream;
        }
        stream.messages.emplace_back(frames.substr(0, length));
        stream.bytes += stream.messages.back();
        frames.remove_prefix(length);
    }
    if (ending == 1) {
        const std::uint32_t length = Channel::largestMessage + 1 + (frames.empty() ? 0 : static_cast<std::uint8_t>(frames[0]));
        stream.bytes += header(length);
        stream.bytes += frames;
        stream.last = Channel::TooLong{length};
    } else if (ending == 2) {
        stream.bytes += header(static_cast<std::uint32_t>(frames.size())).substr(0, 1 + frames.size() % 3);
        stream.last = Channel::CutShort{};
    }
    return stream;
}

// The message as unbounded JSON reads it: whether it is the hello, and how deeply it nests.
struct Reading {
    bool hello = false;
    std::size_t depth = 0;
};

Reading read(const std::string& message) {
    const Json json = Json::parse(message, nullptr, /*allow_exceptions=*/false);
    if (json.is_discarded()) return {};
    const auto kind = json.is_object() ? json.find("kind") : json.end();
    const bool isHello = json.is_object() && kind != json.end() && kind->is_string() &&
                         kind->get_ref<const std::string&>() == TarvoSafariWebExtensionHandler::helloKind;
    return {isHello, fuzz::depth(json)};
}

// The bounded parser takes every value nested up to this depth.
constexpr std::size_t bound = 256;

void requireAnswer(const std::string& message, const Json& answer) {
    const Reading reading = read(message);
    if (answer == hello) {
        require(reading.hello);
    } else {
        require(answer == TarvoSafariWebExtensionHandler::refusal());
        require(!reading.hello || reading.depth > bound);
    }
}

bool sameRead(const Channel::Read& a, const Channel::Read& b) {
    if (a.index() != b.index()) return false;
    if (const auto* long_ = std::get_if<Channel::TooLong>(&a)) return long_->length == std::get<Channel::TooLong>(b).length;
    return true;
}

// The browser's side: writes the stream in pieces of the given sizes from a thread of its own, so
// the reader meets reads cut short wherever the pieces end. One thread serves every run, since
// starting a thread under AddressSanitizer costs more than a run.
class Browser {
public:
    Browser(std::string stream, std::vector<std::size_t> pieces) {
        int ends[2];
        require(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0);
        reading_ = FileDescriptor(ends[0]);
        writing_ = FileDescriptor(ends[1]);
        writer().start({writing_.get(), std::move(stream), std::move(pieces)});
    }
    ~Browser() {
        // A reader that stopped early leaves the writer nobody to write to.
        ::shutdown(reading_.get(), SHUT_RD);
        writer().wait();
    }
    int input() const { return reading_.get(); }

private:
    struct Job {
        int output;
        std::string stream;
        std::vector<std::size_t> pieces;
    };

    class Writer {
    public:
        Writer() { std::thread([this] { serve(); }).detach(); }
        void start(Job job) {
            std::lock_guard lock(mutex_);
            job_ = std::move(job);
            changed_.notify_all();
        }
        void wait() {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !job_; });
        }

    private:
        void serve() {
            for (;;) {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return job_.has_value(); });
                const Job& job = *job_;
                lock.unlock();
                write(job);
                lock.lock();
                job_.reset();
                changed_.notify_all();
            }
        }
        static void write(const Job& job) {
            std::string_view rest = job.stream;
            std::size_t piece = 0;
            while (!rest.empty()) {
                const std::size_t size = piece < job.pieces.size() ? job.pieces[piece++] : rest.size();
                const ssize_t sent = ::send(job.output, rest.data(), std::min(size, rest.size()), MSG_NOSIGNAL);
                if (sent <= 0) break;
                rest.remove_prefix(static_cast<std::size_t>(sent));
            }
            ::shutdown(job.output, SHUT_WR);
        }

        std::mutex mutex_;
        std::condition_variable changed_;
        std::optional<Job> job_;
    };

    // Never destroyed: its thread outlives every run, and libFuzzer ends without running exit
    // handlers anyway.
    static Writer& writer() {
        static Writer* const instance = new Writer;
        return *instance;
    }

    FileDescriptor reading_;
    FileDescriptor writing_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t splits = std::min<std::size_t>(data[0] & 0x3F, size - 1);
    std::vector<std::size_t> pieces;
    for (std::size_t split = 0; split < splits; ++split) pieces.push_back(data[1 + split] % 64 + 1);
    const Stream stream = streamOf(data[0] >> 6, fuzz::text(data + 1 + splits, size - 1 - splits));

    const FileDescriptor sent(::memfd_create("answers", MFD_CLOEXEC));
    require(sent.get() >= 0);
    std::vector<std::string> answers;
    {
        Browser browser(stream.bytes, std::move(pieces));
        Channel channel(browser.input(), sent.get());
        std::size_t taken = 0;
        for (;;) {
            const Channel::Read next = channel.next();
            if (const auto* message = std::get_if<Channel::Message>(&next)) {
                require(taken < stream.messages.size() && message->bytes == stream.messages[taken]);
                ++taken;
                const Json answer = handler().answer(message->bytes);
                requireAnswer(message->bytes, answer);
                answers.push_back(answer.dump());
                channel.send(answers.back());
                continue;
            }
            require(taken == stream.messages.size() && sameRead(next, stream.last));
            if (std::holds_alternative<Channel::TooLong>(next)) {
                answers.push_back(TarvoSafariWebExtensionHandler::refusal().dump());
                channel.send(answers.back());
            }
            break;
        }
    }

    // The frames sent are the answers, whole and in order, and nothing after them.
    require(::lseek(sent.get(), 0, SEEK_SET) == 0);
    Channel readBack(sent.get(), -1);
    for (const std::string& answer : answers) {
        const Channel::Read next = readBack.next();
        const auto* message = std::get_if<Channel::Message>(&next);
        require(message && message->bytes == answer);
    }
    require(std::holds_alternative<Channel::Ended>(readBack.next()));
    return 0;
}
