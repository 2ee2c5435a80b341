#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/Json.h"

// The platform-free half of the arrival notifications: their texts, user-info keys and
// identifiers, when a waiting count is announced, how a nudge becomes a notice, and which panel
// page a clicked notice opens.
namespace tarvo::Arrivals {

// The user-info key naming the page a click opens, and its values.
inline constexpr std::string_view openKey = "open";
inline constexpr std::string_view openPanel = "panel";
inline constexpr std::string_view openBrain = "brain";
// The user-info key carrying a nudge's turn id.
inline constexpr std::string_view turnKey = "turnId";

// One fixed identifier per kind of notice, so that a new notice replaces the one of its kind
// still on show. The prefix is the application identifier's reverse domain.
inline constexpr std::string_view nudgeIdentifier = "com.tarvo.nudge";
inline constexpr std::string_view waitingIdentifier = "com.tarvo.waiting";
static_assert(bundleIdentifier.starts_with("com.tarvo."));

// The title of the waiting notice, and of a nudge that came without one.
inline constexpr std::string_view noticeTitle = "Tarvo";
// The most characters of a nudge's title and body that are shown.
inline constexpr std::size_t titleLimit = 120;
inline constexpr std::size_t bodyLimit = 240;

struct NudgeNotice {
    // Never empty.
    std::string title;
    // May be empty.
    std::string body;
    // Always exactly `openKey` → `openBrain` and `turnKey` → the turn id in lower case.
    std::map<std::string, std::string> userInfo;

    bool operator==(const NudgeNotice&) const = default;
};

// Only a rise over a count heard before is announced: whatever waits at launch is not news.
bool shouldAnnounce(std::optional<std::int64_t> previous, std::int64_t now);

// The body of the waiting notice.
std::string line(std::int64_t waiting);

// The notice for a nudge; nothing when the turn id is not a UUID in its 8-4-4-4-12 form or when
// both the title and the body are blank.
std::optional<NudgeNotice> nudgeNotice(std::string_view turnId, std::string_view title, std::string_view body);

// "/app/brain" when the value under `openKey` is the text `openBrain`, "/app" for anything else.
std::string panelPath(const Json& userInfo);

} // namespace tarvo::Arrivals
