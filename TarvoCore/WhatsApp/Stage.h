#pragma once

#include <optional>
#include <string_view>

namespace tarvo::WhatsAppWeb {

// How far one capture pass got in the page.
enum class Stage { chatListMissing, noChatRows, firstLook, nothingChanged, read };

// The stage as the log line words it.
std::string_view rawValue(Stage stage);
// The stage whose wording this is; none for any other text.
std::optional<Stage> stageFromRawValue(std::string_view text);
// The stage's name as the capture script and the capture report write it.
std::string_view name(Stage stage);
// The stage the capture script names ("chatListMissing", "read", ...); none for any other text.
std::optional<Stage> stageFromName(std::string_view name);

} // namespace tarvo::WhatsAppWeb
