#pragma once

#include <string>
#include <vector>

namespace tarvo {

// Channel kinds that share one writing voice, identified by its id.
struct VoiceFamily {
    std::string id;
    std::vector<std::string> kinds;
    // "professional", "work_casual" or "conversational".
    std::string register_;

    bool operator==(const VoiceFamily&) const = default;
};

} // namespace tarvo
