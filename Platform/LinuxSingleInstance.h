#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoCore/Ports/SingleInstance.h"

namespace tarvo {

// One copy per user, by an exclusive flock on a lock file that the first copy holds until it
// ends (the kernel lets go of it however the copy ends), and a Unix socket beside it on which
// the first copy hears later ones. A later copy that finds the lock taken hands its message over
// the socket and waits for the first copy's receipt. Because the lock decides and not a listing
// of running programs, two copies started at the same moment never both give way.
class LinuxSingleInstance final : public SingleInstance {
public:
    // How long a later copy keeps trying to reach the first one, or to get the lock when it
    // waits for its release.
    static constexpr std::chrono::seconds patience{10};
    static constexpr std::chrono::milliseconds retryInterval{20};
    // How long a later copy waits for the answer to its question.
    static constexpr std::chrono::seconds answerPatience{30};

    // `folder` holds the lock file and the socket and is made, for the user alone, when missing.
    // Messages heard are handed to `loop`.
    LinuxSingleInstance(std::filesystem::path folder, RunLoop& loop);
    ~LinuxSingleInstance() override;

    LinuxSingleInstance(const LinuxSingleInstance&) = delete;
    LinuxSingleInstance& operator=(const LinuxSingleInstance&) = delete;

    // The runtime folder when XDG_RUNTIME_DIR names one, else the XDG data folder, each with a
    // folder of the application's own; nothing when none is absolute.
    static std::optional<std::filesystem::path> defaultFolder(const char* runtimeFolder, const char* dataHome,
                                                              const char* home);

    Claim claim(const std::vector<std::string>& message, bool waitForRelease) override;
    Asked ask(const std::vector<std::string>& question) override;
    void listen(Listener listener, Answerer answerer) override;

private:
    struct Heard {
        Listener listener;
        Answerer answerer;
    };

    void openLock();
    bool tryLock();
    bool handOver(const std::vector<std::string>& message) const;
    // The running copy's answer, after its receipt; nothing when it gave none.
    std::optional<std::string> exchange(const std::vector<std::string>& words, std::chrono::seconds patience) const;
    void startListening();
    void serve(const std::shared_ptr<Heard>& heard);
    void answer(FileDescriptor connection, const std::shared_ptr<Heard>& heard);

    std::filesystem::path folder_;
    std::filesystem::path socketPath_;
    RunLoop& loop_;
    FileDescriptor lock_;
    FileDescriptor socket_;
    FileDescriptor quitRead_;
    FileDescriptor quitWrite_;
    std::thread server_;
};

} // namespace tarvo
