#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <string>

namespace tarvo {

// The message ids handed to the service lately, each with the time of its hand-over, so that
// overlapping live passes do not hand a message over twice.
class IngestedRecently {
public:
    using Date = std::chrono::system_clock::time_point;

    std::size_t count() const { return dates_.size(); }
    bool contains(const std::string& messageId) const { return dates_.contains(messageId); }
    void record(const std::string& messageId, Date at) { dates_[messageId] = at; }
    // Drops the ids handed over strictly before `before`.
    void forget(Date before);

    bool operator==(const IngestedRecently&) const = default;

private:
    std::map<std::string, Date> dates_;
};

} // namespace tarvo
