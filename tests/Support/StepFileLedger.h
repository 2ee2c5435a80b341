#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TarvoBase/Json.h"

namespace tarvo::testing {

// The service's copy of one operator step's file, as a well-behaved service keeps it, and every
// exchange of the upload in the order it came.
struct StepFileLedger {
    // One chunk as sent: the offset, total and digest headers and the body.
    struct Chunk {
        std::int64_t offset = 0;
        std::int64_t total = 0;
        std::string sha256;
        std::string body;
    };
    struct Answer {
        int status = 200;
        Json body;
    };
    struct Exchange {
        // "GET" or "PUT".
        std::string method;
        // For a PUT.
        std::optional<Chunk> chunk;
        Answer answer;
        // False when the service kept what came but the client never heard its answer.
        bool delivered = true;
    };

    std::string held;
    bool complete = false;
    std::vector<Exchange> exchanges;

    // {"received", "complete"}.
    Json state() const;
    // A chunk that starts where the service stands is kept, and the upload is complete once the
    // service holds `total` bytes whose digest is the chunk's; a chunk from anywhere else is
    // answered 409 with where the service stands. Nothing is recorded.
    Answer put(const Chunk& chunk);

    // The answer's "received", for an answer that has one.
    static std::optional<std::int64_t> received(const Answer& answer);
};

} // namespace tarvo::testing
