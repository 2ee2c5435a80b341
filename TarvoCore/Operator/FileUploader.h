#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/CheckedFile.h"
#include "TarvoCore/Operator/FileUploadTransport.h"
#include "TarvoCore/Operator/MacUploadState.h"

namespace tarvo {

// Brings a whole file back to the service in chunks, with the SHA-256 of the whole file on every
// chunk. The service says how much it holds, so an upload resumes after a dropped connection or
// a new attempt of the step. Both the digest and the chunks are read from one descriptor and
// stop at the digested size, so the bytes sent are the bytes digested even while the file
// changes; at most one chunk is in memory at a time.
class FileUploader {
public:
    // The largest chunk.
    static constexpr std::int64_t chunkMax = 4'194'304;

    struct Digest {
        // 64 lower-case hexadecimal digits.
        std::string sha256;
        std::int64_t bytes = 0;
        bool operator==(const Digest&) const = default;
    };

    struct Result {
        std::int64_t bytes = 0;
        std::string sha256;
        MacUploadState state;
    };

    // The digest of at most `most` bytes from the start, read in blocks of `chunk` bytes (1 to
    // `chunkMax`). Blocks; errors of the file system are thrown unchanged.
    static Digest digest(const FileDescriptor& file, std::int64_t most, std::int64_t chunk);
    static Digest digest(const std::filesystem::path& of, std::int64_t chunk);

    // Sends at most `most` bytes of `file` as the step's file, each chunk from where the service
    // says, of 1 to `chunkMax` bytes, and never past the digested size. Gives up after `stalls`
    // answers in a row that bring the service no further than it has been in this call. A file
    // that shrinks below its digested size fails the upload. Blocking reads go to the worker
    // pool; this resumes on the run loop.
    static Task<Result> upload(std::shared_ptr<const FileDescriptor> file, std::int64_t most, std::string stepId,
                               std::shared_ptr<FileUploadTransport> transport, std::int64_t chunk, int stalls);
    // The file a step checked and opened, no more of it than its checked size.
    static Task<Result> upload(CheckedFile file, std::string stepId, std::shared_ptr<FileUploadTransport> transport,
                               std::int64_t chunk, int stalls);
    // Opens the file at `url` once and sends it as it is then.
    static Task<Result> upload(std::filesystem::path url, std::string stepId,
                               std::shared_ptr<FileUploadTransport> transport, std::int64_t chunk, int stalls);
};

} // namespace tarvo
