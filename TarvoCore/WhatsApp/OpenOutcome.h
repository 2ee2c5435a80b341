#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace tarvo::WhatsAppWeb {

// What the open-conversation script found: the wanted conversation open, or why not, with what
// the list walk and the name search saw for the person's sentence and the log.
struct OpenOutcome {
    bool ok = false;
    // "no_chat_list", "not_in_list", "no_press_target" or "opened_the_wrong_chat"; empty when ok.
    std::string reason = {};
    // It was open before the script ran, so nothing was pressed.
    bool alreadyOpen = false;
    // Distinct conversations the list walk saw (only with "not_in_list").
    std::optional<std::int64_t> walked = std::nullopt;
    // Some conversation seen has the digits of the wanted one.
    std::optional<bool> sameNumber = std::nullopt;
    // The page's component internals were readable on at least one row.
    std::optional<bool> anyFiber = std::nullopt;
    // Per strategy of reading a row's conversation, how many rows it answered for.
    std::optional<std::map<std::string, std::int64_t>> how = std::nullopt;
    // One line on the name search.
    std::optional<std::string> searched = std::nullopt;

    bool operator==(const OpenOutcome&) const = default;
};

} // namespace tarvo::WhatsAppWeb
