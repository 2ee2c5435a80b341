#pragma once

#include <cstdint>

namespace tarvo {

// What became of the files of the messages a capture pass handed over: each of the service's
// decisions counts in exactly one of the three.
struct AttachmentOutcome {
    // Files whose bytes were uploaded.
    std::int64_t sent = 0;
    // Decisions that asked for no bytes.
    std::int64_t notWanted = 0;
    // Files the service wanted that could not be uploaded.
    std::int64_t failed = 0;

    AttachmentOutcome& operator+=(const AttachmentOutcome& other) {
        sent += other.sent;
        notWanted += other.notWanted;
        failed += other.failed;
        return *this;
    }

    bool operator==(const AttachmentOutcome&) const = default;
};

} // namespace tarvo
