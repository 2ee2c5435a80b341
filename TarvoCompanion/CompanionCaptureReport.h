#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "TarvoBase/Json.h"

namespace tarvo {

// The counters of the last WhatsApp read, which every heartbeat carries to the service.
struct CompanionCaptureReport {
    std::int64_t chatsInList = 0;
    std::int64_t changedChats = 0;
    std::int64_t openedChats = 0;
    std::int64_t unopenableChats = 0;
    std::int64_t rowsWithoutTarget = 0;
    std::int64_t noPressTarget = 0;
    std::int64_t neverSelected = 0;
    std::int64_t openedEmpty = 0;
    std::int64_t raced = 0;
    std::int64_t nonConversationRows = 0;
    std::int64_t rowsWithoutChatId = 0;
    std::int64_t sharedKeyRows = 0;
    std::int64_t skipped = 0;
    std::optional<std::string> stage;

    // Every counter under its own name, and "stage" (null when there is none): 14 members.
    Json wire() const;

    bool operator==(const CompanionCaptureReport&) const = default;
};

} // namespace tarvo
