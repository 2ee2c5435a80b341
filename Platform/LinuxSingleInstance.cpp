#include "Platform/LinuxSingleInstance.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/XdgBaseFolder.h"

namespace tarvo {
namespace {

// A later copy's message is a few words; anything longer is not one.
constexpr std::size_t messageLimit = 64 * 1024;
constexpr char receipt = 'k';
// How long either side waits on the other once connected.
constexpr timeval connectedPatience{2, 0};

std::system_error systemFailure(const std::string& what) {
    return std::system_error(errno, std::generic_category(), what);
}

std::optional<sockaddr_un> socketAddress(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.size() >= sizeof address.sun_path) return std::nullopt;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

FileDescriptor unixSocket() {
    FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.isOpen()) throw systemFailure("could not make a socket");
    return socket;
}

void bePatient(const FileDescriptor& socket, timeval reading = connectedPatience) {
    ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &reading, sizeof reading);
    ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &connectedPatience, sizeof connectedPatience);
}

bool writeAll(const FileDescriptor& to, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::send(to.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Everything the other side sends until it shuts its end; nothing when it stalls or sends more
// than a message can be.
std::optional<std::string> readAll(const FileDescriptor& from, std::size_t limit) {
    std::string bytes;
    char chunk[4096];
    for (;;) {
        const ssize_t count = ::recv(from.get(), chunk, sizeof chunk, 0);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return std::nullopt;
        if (count == 0) return bytes;
        bytes.append(chunk, static_cast<std::size_t>(count));
        if (bytes.size() > limit) return std::nullopt;
    }
}

std::string encoded(const std::vector<std::string>& words) {
    std::string bytes;
    for (const std::string& word : words) {
        bytes += word;
        bytes.push_back('\0');
    }
    return bytes;
}

std::vector<std::string> decoded(std::string_view bytes) {
    std::vector<std::string> words;
    while (!bytes.empty()) {
        const auto end = bytes.find('\0');
        words.emplace_back(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    return words;
}

bool fromThisUser(const FileDescriptor& connection) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(connection.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

} // namespace

LinuxSingleInstance::LinuxSingleInstance(std::filesystem::path folder, RunLoop& loop)
    : folder_(std::move(folder)), socketPath_(folder_ / "instance.socket"), loop_(loop) {}

LinuxSingleInstance::~LinuxSingleInstance() {
    if (server_.joinable()) {
        quitWrite_.reset();
        server_.join();
    }
    // Removed while the lock is still held, so that it is never a newer first copy's socket.
    if (socket_.isOpen()) ::unlink(socketPath_.c_str());
}

std::optional<std::filesystem::path> LinuxSingleInstance::defaultFolder(const char* runtimeFolder,
                                                                        const char* dataHome, const char* home) {
    if (runtimeFolder && std::filesystem::path(runtimeFolder).is_absolute()) {
        return std::filesystem::path(runtimeFolder) / bundleIdentifier;
    }
    return XdgBaseFolder::programData(dataHome, home);
}

void LinuxSingleInstance::openLock() {
    std::filesystem::create_directories(folder_);
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
    lock_ = FileDescriptor(::open((folder_ / "instance.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock_.isOpen()) throw systemFailure("could not open " + (folder_ / "instance.lock").string());
}

SingleInstance::Claim LinuxSingleInstance::claim(const std::vector<std::string>& message, bool waitForRelease) {
    openLock();

    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (bool waitNoted = false;;) {
        if (tryLock()) {
            startListening();
            return Claim::first;
        }
        const bool late = std::chrono::steady_clock::now() >= deadline;
        // The first copy may still be setting up its socket: try again until it listens.
        if ((!waitForRelease || late) && handOver(message)) return Claim::handedOver;
        if (late) return Claim::unreachable;
        // Said once, so that a slow hand-over between the two copies shows in the log.
        if (waitForRelease && !waitNoted) {
            PlainLog::write("tarvo: waiting for the copy of Tarvo that relaunched this one to end");
            waitNoted = true;
        }
        std::this_thread::sleep_for(retryInterval);
    }
}

bool LinuxSingleInstance::tryLock() {
    for (;;) {
        if (::flock(lock_.get(), LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EWOULDBLOCK) return false;
        if (errno != EINTR) throw systemFailure("could not lock " + (folder_ / "instance.lock").string());
    }
}

SingleInstance::Asked LinuxSingleInstance::ask(const std::vector<std::string>& question) {
    openLock();
    // Holding the lock for a moment proves that no copy runs; it is let go at once.
    if (tryLock()) {
        lock_.reset();
        return {Asked::Outcome::notRunning, {}};
    }
    std::vector<std::string> words{std::string(SingleInstance::question)};
    words.insert(words.end(), question.begin(), question.end());
    auto answer = exchange(words, answerPatience);
    if (!answer) return {Asked::Outcome::unreachable, {}};
    return {Asked::Outcome::answered, std::move(*answer)};
}

bool LinuxSingleInstance::handOver(const std::vector<std::string>& message) const {
    const auto answer = exchange(message, std::chrono::seconds(connectedPatience.tv_sec));
    return answer && answer->empty();
}

std::optional<std::string> LinuxSingleInstance::exchange(const std::vector<std::string>& words,
                                                         std::chrono::seconds patience) const {
    const auto address = socketAddress(socketPath_);
    if (!address) return std::nullopt;
    const FileDescriptor connection = unixSocket();
    if (::connect(connection.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0) {
        return std::nullopt;
    }
    bePatient(connection, timeval{static_cast<time_t>(patience.count()), 0});
    if (!writeAll(connection, encoded(words)) || ::shutdown(connection.get(), SHUT_WR) != 0) return std::nullopt;
    auto answer = readAll(connection, messageLimit);
    if (!answer || !answer->starts_with(receipt)) return std::nullopt;
    return answer->substr(1);
}

void LinuxSingleInstance::startListening() {
    const auto address = socketAddress(socketPath_);
    if (!address) {
        PlainLog::write("tarvo: " + socketPath_.string() + " is too long a path for a socket — later copies of " +
                        "Tarvo cannot reach this one");
        return;
    }
    ::unlink(socketPath_.c_str());
    FileDescriptor socket = unixSocket();
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        ::listen(socket.get(), SOMAXCONN) != 0) {
        PlainLog::write("tarvo: could not listen on " + socketPath_.string() + " (" + std::strerror(errno) +
                        ") — later copies of Tarvo cannot reach this one");
        return;
    }
    socket_ = std::move(socket);
}

void LinuxSingleInstance::listen(Listener listener, Answerer answerer) {
    if (!socket_.isOpen() || server_.joinable()) return;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw systemFailure("could not make a pipe");
    quitRead_ = FileDescriptor(ends[0]);
    quitWrite_ = FileDescriptor(ends[1]);
    auto heard = std::make_shared<Heard>(Heard{std::move(listener), std::move(answerer)});
    server_ = std::thread([this, heard] { serve(heard); });
}

void LinuxSingleInstance::serve(const std::shared_ptr<Heard>& heard) {
    pollfd watched[2] = {{socket_.get(), POLLIN, 0}, {quitRead_.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            PlainLog::write(std::string("tarvo: stopped hearing later copies of Tarvo: ") + std::strerror(errno));
            return;
        }
        if (watched[1].revents != 0) return;
        FileDescriptor connection(::accept4(socket_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection.isOpen() && fromThisUser(connection)) answer(std::move(connection), heard);
    }
}

void LinuxSingleInstance::answer(FileDescriptor connection, const std::shared_ptr<Heard>& heard) {
    bePatient(connection);
    const auto message = readAll(connection, messageLimit);
    if (!message) return;
    std::vector<std::string> words = decoded(*message);
    if (words.empty() || words.front() != SingleInstance::question) {
        // The receipt comes before the message is acted on: the later copy ends either way.
        writeAll(connection, std::string(1, receipt));
        loop_.post([heard, words = std::move(words)]() mutable { heard->listener(std::move(words)); });
        return;
    }
    words.erase(words.begin());
    // The connection waits for the answer, which the main loop gives when it has it; the server
    // goes on hearing other copies meanwhile.
    auto asker = std::make_shared<FileDescriptor>(std::move(connection));
    Reply reply = [asker](std::string answer) {
        if (!asker->isOpen()) return;
        writeAll(*asker, std::string(1, receipt) + answer);
        asker->reset();
    };
    loop_.post([heard, words = std::move(words), reply = std::move(reply)]() mutable {
        if (heard->answerer) {
            heard->answerer(std::move(words), std::move(reply));
        } else {
            reply("");
        }
    });
}

} // namespace tarvo
