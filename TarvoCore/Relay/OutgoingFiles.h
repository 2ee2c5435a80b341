#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "TarvoCore/Relay/OutgoingFilesFailure.h"

namespace tarvo {

// The files fetched from the service for a relay job, written where the Messages app can pick
// them up and removed again once they are old. Each file of each job gets a folder of its own in
// the staging folder, holding that one file under its safe name.
//
// The staging folder is "<bundle identifier>/outgoing" inside a folder of the user's own (the
// session's runtime folder, say). Those two folders and each attachment's folder belong to this
// program alone: before anything is written or removed in them, each is checked to be a real
// folder (never a link), owned by the user and open to nobody else (0700), and every file is
// named relative to the folder checked, so that no link planted by someone else is followed.
class OutgoingFiles {
public:
    using Failure = OutgoingFilesFailure;
    using Date = std::chrono::system_clock::time_point;
    using Seconds = std::chrono::duration<double>;

    // How old a staged item may grow before a sweep removes it.
    static constexpr Seconds retention{600};

    // `userFolder` is made when missing. Nothing else is made until the first `stage`.
    explicit OutgoingFiles(std::filesystem::path userFolder);

    // The staging folder.
    const std::filesystem::path& directory() const { return directory_; }

    // Writes file `fileIndex` (from 1) of job `jobId` (replacing an earlier one of the same job,
    // index and name) readable by its owner only, and answers its path. Throws `Failure`; what
    // was written is left for a sweep.
    std::filesystem::path stage(const std::string& jobId, int fileIndex, const std::string& filename,
                                std::string_view data) const;

    // The folder of file `fileIndex` of job `jobId`: no two jobs or files share one, whatever
    // characters the job's id holds.
    static std::string folderName(std::string_view jobId, int fileIndex);

    // Removes the staged items more than `olderThan` old at `now` (or whose date cannot be read)
    // and answers how many; a link is removed itself, never what it points to. Never throws.
    int sweep(Seconds olderThan, Date now) const;

    // One safe path component for a name chosen elsewhere: its last piece, without NUL, "/" or
    // ":", trimmed, never "." or "..", and shortened on whole characters when it is long.
    static std::string safeFilename(std::string_view name);

private:
    std::filesystem::path userFolder_;
    std::filesystem::path directory_;
};

} // namespace tarvo
