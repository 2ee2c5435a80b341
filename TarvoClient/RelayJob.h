#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoClient/RelayAttachment.h"

namespace tarvo {

// One outgoing message claimed from the service's relay queue.
struct RelayJob {
    std::string id;
    std::string channelKind;
    std::string threadId;
    std::string conversationRef;
    std::optional<std::string> conversationName;
    std::string body;
    std::optional<std::vector<RelayAttachment>> attachments;
    std::int64_t waitingSeconds = 0;
    std::int64_t attempts = 0;

    // The attachments, or none when the job carries none.
    std::vector<RelayAttachment> files() const { return attachments.value_or(std::vector<RelayAttachment>{}); }

    // Throws `JsonReadError`. `path` names the value in failures.
    static RelayJob fromJson(const Json& json, std::string path = {});

    bool operator==(const RelayJob&) const = default;
};

} // namespace tarvo
