#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tarvo::WhatsAppWeb {

// Bytes of media one capture pass may carry out of the page, across all its chats.
constexpr std::int64_t mediaBudgetBytes = 12582912;

// The capture script: the body of an async function, run in the page's own world, that answers
// one JSON report (read by `readMessages`). `known` is the baseline of row prints; `peekWatching`
// maps a chat key to the tags of the messages that chat waits on.
std::string captureScript(int chatLimit, int messageLimit, int bootstrapChats, const std::vector<std::string>& known,
                          bool catchUp, std::int64_t cursor, std::int64_t mediaBudget,
                          const std::vector<std::string>& retriesSpent, const std::vector<std::string>& peek,
                          int peekLimit, int peekMessageLimit,
                          const std::map<std::string, std::vector<std::string>>& peekWatching);

} // namespace tarvo::WhatsAppWeb
