#include "TarvoCore/Companion/Arrivals.h"

#include "TarvoBase/Text.h"
#include "TarvoBase/Uuid.h"

namespace tarvo::Arrivals {

bool shouldAnnounce(std::optional<std::int64_t> previous, std::int64_t now) { return previous && *previous < now; }

std::string line(std::int64_t waiting) {
    if (waiting == 1) return "1 thing is waiting for you";
    return std::to_string(waiting) + " things are waiting for you";
}

std::optional<NudgeNotice> nudgeNotice(std::string_view turnId, std::string_view title, std::string_view body) {
    const std::optional<Uuid> turn = Uuid::parse(turnId);
    if (!turn) return std::nullopt;
    std::string trimmedTitle = Text::trimmingWhitespaceAndNewlines(title);
    const std::string trimmedBody = Text::trimmingWhitespaceAndNewlines(body);
    if (trimmedTitle.empty()) {
        if (trimmedBody.empty()) return std::nullopt;
        trimmedTitle = noticeTitle;
    }
    return NudgeNotice{
        Text::graphemePrefix(trimmedTitle, titleLimit),
        Text::graphemePrefix(trimmedBody, bodyLimit),
        {{std::string(openKey), std::string(openBrain)}, {std::string(turnKey), turn->lowercased()}},
    };
}

std::string panelPath(const Json& userInfo) {
    if (userInfo.is_object()) {
        const auto open = userInfo.find(openKey);
        if (open != userInfo.end() && open->is_string() && open->get_ref<const std::string&>() == openBrain) {
            return "/app/brain";
        }
    }
    return "/app";
}

} // namespace tarvo::Arrivals
