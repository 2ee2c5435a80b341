#include "TarvoCore/Operator/FileUploader.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <vector>

#include <fcntl.h>

#include "TarvoBase/FileCalls.h"
#include "TarvoBase/HexString.h"
#include "TarvoBase/OnWorker.h"
#include "TarvoBase/Sha256.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {
namespace {

constexpr std::string_view disagreeSentence = "Tarvo and the Mac disagree about how much of the file arrived.";
constexpr std::string_view stalledSentence = "The file stopped arriving at Tarvo, so it was not brought back.";

std::int64_t chunkSize(std::int64_t chunk) { return std::clamp<std::int64_t>(chunk, 1, FileUploader::chunkMax); }

// Exactly `length` bytes at `offset`, or a failure when the file ends first.
std::string readChunk(const FileDescriptor& file, std::int64_t offset, std::int64_t length) {
    std::string bytes(static_cast<std::size_t>(length), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const std::size_t got = FileCalls::readAt(file.get(), bytes.data() + filled, bytes.size() - filled,
                                                  offset + static_cast<std::int64_t>(filled));
        if (got == 0) throw std::runtime_error("the file became shorter while it was being sent");
        filled += got;
    }
    return bytes;
}

struct OpenedFile {
    std::shared_ptr<const FileDescriptor> file;
    std::int64_t bytes = 0;
};

} // namespace

FileUploader::Digest FileUploader::digest(const FileDescriptor& file, std::int64_t most, std::int64_t chunk) {
    std::vector<std::byte> block(static_cast<std::size_t>(std::min(chunkSize(chunk), std::max<std::int64_t>(most, 1))));
    Sha256 sha;
    std::int64_t done = 0;
    while (done < most) {
        const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(most - done, std::ssize(block)));
        const std::size_t got = FileCalls::readAt(file.get(), block.data(), wanted, done);
        if (got == 0) break;
        sha.update(std::span<const std::byte>(block.data(), got));
        done += static_cast<std::int64_t>(got);
    }
    return {hexString(sha.finish()), done};
}

FileUploader::Digest FileUploader::digest(const std::filesystem::path& of, std::int64_t chunk) {
    const FileDescriptor file = FileCalls::open(of, O_RDONLY | O_NOCTTY);
    return digest(file, std::numeric_limits<std::int64_t>::max(), chunk);
}

Task<FileUploader::Result> FileUploader::upload(std::shared_ptr<const FileDescriptor> file, std::int64_t most,
                                                std::string stepId, std::shared_ptr<FileUploadTransport> transport,
                                                std::int64_t chunk, int stalls) {
    chunk = chunkSize(chunk);
    auto digesting = [file, most, chunk] { return digest(*file, most, chunk); };
    const Digest whole = co_await onWorker(digesting);

    MacUploadState state = co_await transport->uploadState(stepId);
    std::int64_t highest = state.received;
    int stalled = 0;
    while (!state.complete) {
        const std::int64_t offset = state.received;
        if (offset < 0 || offset > whole.bytes) throw OperatorPortFailure(std::string(disagreeSentence));
        const std::int64_t length = std::min(chunk, whole.bytes - offset);
        auto reading = [file, offset, length] { return readChunk(*file, offset, length); };
        std::string bytes = co_await onWorker(reading);

        MacUploadState next = co_await transport->uploadChunk(stepId, offset, whole.bytes, whole.sha256, std::move(bytes));
        // Progress is a new high of this call: a service whose count swings back and forth
        // would otherwise be sent the same bytes without end.
        if (!next.complete && next.received <= highest) {
            if (++stalled >= stalls) throw OperatorPortFailure(next.sentence.value_or(std::string(stalledSentence)));
        } else {
            stalled = 0;
        }
        highest = std::max(highest, next.received);
        state = std::move(next);
    }
    co_return Result{whole.bytes, whole.sha256, std::move(state)};
}

Task<FileUploader::Result> FileUploader::upload(CheckedFile file, std::string stepId,
                                                std::shared_ptr<FileUploadTransport> transport, std::int64_t chunk,
                                                int stalls) {
    co_return co_await upload(file.descriptor(), file.bytes(), std::move(stepId), std::move(transport), chunk, stalls);
}

Task<FileUploader::Result> FileUploader::upload(std::filesystem::path url, std::string stepId,
                                                std::shared_ptr<FileUploadTransport> transport, std::int64_t chunk,
                                                int stalls) {
    auto opening = [url] {
        auto file = std::make_shared<const FileDescriptor>(FileCalls::open(url, O_RDONLY | O_NOCTTY));
        return OpenedFile{file, static_cast<std::int64_t>(FileCalls::status(*file).st_size)};
    };
    const OpenedFile opened = co_await onWorker(opening);
    co_return co_await upload(opened.file, opened.bytes, std::move(stepId), std::move(transport), chunk, stalls);
}

} // namespace tarvo
