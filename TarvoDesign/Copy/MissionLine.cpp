#include "TarvoDesign/Copy/MissionLine.h"

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

bool hasWords(const std::optional<std::string>& text) {
    return text && !Text::trimmingWhitespace(*text).empty();
}

} // namespace

std::string MissionLine::text(bool known, const std::optional<std::string>& title,
                              const std::optional<std::string>& body) {
    if (!known) return "Couldn't check what Tarvo is working to. It asks you before anything becomes its standing instruction.";
    const std::optional<std::string>& chosen = hasWords(title) ? title : body;
    if (!hasWords(chosen)) return "Tell Tarvo in a sentence what to work on. It checks with you once, then works on it.";
    return "Working to: " + Text::graphemePrefix(*chosen, shownCharacters);
}

} // namespace tarvo
