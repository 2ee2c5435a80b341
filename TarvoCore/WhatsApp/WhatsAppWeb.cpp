#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

#include <fmt/format.h>

namespace tarvo::WhatsAppWeb {
namespace {

constexpr std::int64_t bytesPerMB = 1024 * 1024;
constexpr std::string_view blanksAndTabs = " \t";

} // namespace

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
    return fmt::format("Tarvo cannot put a {} MB {} into WhatsApp from this Mac — the limit is {} MB — so nothing was "
                       "sent. Send it in WhatsApp directly, or reply without the file.",
                       sizeBytes / bytesPerMB, describedType(mimeType), outgoingMediaCapBytes / bytesPerMB);
}

std::string describedType(std::string_view mimeType) {
    std::string_view type = mimeType.substr(0, mimeType.find(';'));
    const auto first = type.find_first_not_of(blanksAndTabs);
    if (first == std::string_view::npos) return "file";
    type = type.substr(first, type.find_last_not_of(blanksAndTabs) - first + 1);
    return std::string(type);
}

} // namespace tarvo::WhatsAppWeb
