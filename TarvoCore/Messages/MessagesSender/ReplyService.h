#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

namespace tarvo {

// Whether a reply goes out as iMessage or as SMS, and why.
struct ReplyService {
    enum class Because { theyWroteOverIMessage, theChannel };

    struct Plan;

    bool isSMS = false;
    Because because = Because::theChannel;

    // "SMS" or "iMessage": the word the scripts and the log use.
    std::string_view serviceType() const { return isSMS ? "SMS" : "iMessage"; }

    static std::string_view rawValue(Because because);

    // The other side's newest service wins when it is iMessage; otherwise the channel decides.
    static ReplyService choose(std::string_view channelKind, const std::optional<std::string>& theirNewestService);

    // Reads the conversation's reply address; a database that cannot be read leaves the choice
    // to the channel, with no guid. Blocks while it reads; never throws.
    static Plan plan(const std::string& channelKind, const std::string& conversationRef, const ChatDatabase& database);

    bool operator==(const ReplyService&) const = default;
};

// Where the reply goes and over which service.
struct ReplyService::Plan {
    std::optional<std::string> guid;
    ReplyService service;
    bool operator==(const Plan&) const = default;
};

} // namespace tarvo

namespace tarvo::TarvoLog {

void replyService(std::string_view jobId, std::string_view channelKind, const ReplyService& service);

} // namespace tarvo::TarvoLog
