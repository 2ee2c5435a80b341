#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {

// The message ids handed to the service lately, each with the message's date, so that the
// overlapping readings of the capture passes do not hand a message over twice.
//
// With a journal file the memory outlives the program: each id is appended to the file the
// moment it is recorded, so a restart, even after a kill, hands over nothing that went before.
// The file is rewritten with only what is still remembered once it holds mostly forgotten ids.
// A line that cannot be read (the last one of a program killed while writing it) is passed over.
class IngestedRecently {
public:
    using Date = std::chrono::system_clock::time_point;

    // In memory only.
    IngestedRecently() = default;
    // Remembers what the journal holds, and appends to it from now on. A journal that cannot be
    // read or written is said once in the plain log; the memory then lasts as long as the program.
    explicit IngestedRecently(std::filesystem::path journal);

    IngestedRecently(IngestedRecently&&) = default;
    IngestedRecently& operator=(IngestedRecently&&) = default;

    std::size_t count() const { return dates_.size(); }
    bool contains(const std::string& messageId) const { return dates_.contains(messageId); }
    void record(const std::string& messageId, Date at);
    // Drops the ids of messages dated strictly before `before`.
    void forget(Date before);

private:
    // Answers whether the file ends in a torn line.
    bool load();
    void append(const std::string& line);
    void rewrite();
    void journalFailed(const std::exception& failure);

    std::map<std::string, Date> dates_;
    std::optional<std::filesystem::path> journal_;
    FileDescriptor file_;
    // Lines in the journal, forgotten ones included.
    std::size_t lines_ = 0;
};

} // namespace tarvo
