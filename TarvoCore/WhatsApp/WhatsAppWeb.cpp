#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

#include <algorithm>

#include <fmt/format.h>

#include "TarvoBase/JsonReader.h"

namespace tarvo::WhatsAppWeb {
namespace {

constexpr std::int64_t bytesPerMB = 1024 * 1024;
constexpr std::string_view blanksAndTabs = " \t";
// How far beyond every screen a parked window lies.
constexpr double parkMargin = 1000;
// Where a parked window goes when there are no screens to keep it from.
constexpr double parkMarginWithoutScreens = 5000;

std::string readMember(const Json& answer, std::string_view key) {
    const auto found = answer.find(key);
    return found != answer.end() && found->is_string() ? found->get<std::string>() : std::string();
}

} // namespace

bool shouldRenavigate(const SessionState& lastObservation, std::chrono::duration<double> sinceNavigation) {
    return lastObservation.kind() == SessionState::Kind::unrecognised && sinceNavigation >= renavigateAfter;
}

Point parkOrigin(const std::vector<Rect>& screenFrames, Size size) {
    if (screenFrames.empty())
        return {-(size.width + parkMarginWithoutScreens), -(size.height + parkMarginWithoutScreens)};
    const auto byX = [](const Rect& a, const Rect& b) { return a.minX() < b.minX(); };
    const auto byY = [](const Rect& a, const Rect& b) { return a.minY() < b.minY(); };
    const double minX = std::min_element(screenFrames.begin(), screenFrames.end(), byX)->minX();
    const double minY = std::min_element(screenFrames.begin(), screenFrames.end(), byY)->minY();
    return {minX - size.width - parkMargin, minY - size.height - parkMargin};
}

bool isParked(Point origin, Size size, const std::vector<Rect>& screenFrames) {
    const Rect window{origin, size};
    return std::none_of(screenFrames.begin(), screenFrames.end(),
                        [&window](const Rect& screen) { return screen.intersects(window); });
}

SessionState readSessionState(std::string_view text) {
    const std::optional<Json> answer = JsonReader::parse(text);
    const std::string state = answer && answer->is_object() ? readMember(*answer, "state") : std::string();
    if (state.empty()) return SessionState::unrecognised("the page returned nothing this build could read");
    if (state == "linked") return SessionState::linked();
    if (state == "needsLink") return SessionState::needsLink();
    if (state == "syncing") return SessionState::syncing();
    if (state == "evicted")
        return SessionState::unrecognised("WhatsApp Web is open somewhere else — it allows one web session at a time. "
                                          "Close WhatsApp in your browser and Tarvo takes it back.");
    const std::string title = readMember(*answer, "title");
    return SessionState::unrecognised(
        fmt::format("title={} — {}", title.empty() ? "(none)" : title, readMember(*answer, "sample")));
}

bool shouldAdvertise(const std::optional<SessionState>& settled, bool hostsLinkedSession) {
    if (!settled) return hostsLinkedSession;
    switch (settled->kind()) {
    case SessionState::Kind::linked:
        return true;
    case SessionState::Kind::needsLink:
        return false;
    case SessionState::Kind::syncing:
    case SessionState::Kind::unrecognised:
        return hostsLinkedSession;
    }
    return false;
}

std::optional<std::string> outgoingMediaRefusal(std::int64_t sizeBytes, std::string_view mimeType) {
    if (sizeBytes <= outgoingMediaCapBytes) return std::nullopt;
    // Rounded up: a size rounded down could read as the limit itself.
    const std::int64_t megabytes = sizeBytes / bytesPerMB + (sizeBytes % bytesPerMB == 0 ? 0 : 1);
    return fmt::format("Tarvo cannot put a {} MB {} into WhatsApp from this Mac — the limit is {} MB — so nothing was "
                       "sent. Send it in WhatsApp directly, or reply without the file.",
                       megabytes, describedType(mimeType), outgoingMediaCapBytes / bytesPerMB);
}

std::string describedType(std::string_view mimeType) {
    std::string_view type = mimeType.substr(0, mimeType.find(';'));
    const auto first = type.find_first_not_of(blanksAndTabs);
    if (first == std::string_view::npos) return "file";
    type = type.substr(first, type.find_last_not_of(blanksAndTabs) - first + 1);
    return std::string(type);
}

} // namespace tarvo::WhatsAppWeb
