#include <algorithm>
#include <utility>

#include "TarvoBase/Text.h"
#include "TarvoCore/WhatsApp/PageScripts.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

// The scripts injected into WhatsApp Web, with the values they need spliced into their string
// literals.
namespace tarvo::WhatsAppWeb {
namespace {

using Splice = std::pair<std::string_view, std::string>;

// The script with each "{{key}}" inside it replaced by the escaped value, in one pass, so that a
// value that happens to hold another key's marker stays as it is.
std::string filled(std::string_view script, std::initializer_list<Splice> splices) {
    std::string result;
    result.reserve(script.size());
    std::size_t from = 0;
    for (std::size_t open = script.find("{{"); open != std::string_view::npos; open = script.find("{{", from)) {
        result += script.substr(from, open - from);
        const std::string_view rest = script.substr(open + 2);
        const auto splice = std::find_if(splices.begin(), splices.end(), [rest](const Splice& s) {
            return rest.starts_with(s.first) && rest.substr(s.first.size()).starts_with("}}");
        });
        if (splice == splices.end()) {
            result += "{{";
            from = open + 2;
            continue;
        }
        result += escapeJS(splice->second);
        from = open + 2 + splice->first.size() + 2;
    }
    result += script.substr(from);
    return result;
}

} // namespace

std::string sessionProbeScript() { return std::string(pageScript("sessionProbe.js")); }

std::string alwaysVisibleScript() { return std::string(pageScript("alwaysVisible.js")); }

std::string openConversationScript(std::string_view conversationRef, const std::optional<std::string>& name) {
    return filled(pageScript("openConversation.js"),
                  {{"want", std::string(conversationRef)},
                   {"name", Text::trimmingWhitespaceAndNewlines(name.value_or(std::string()))}});
}

std::string attachmentScript() { return std::string(pageScript("attachment.js")); }

std::string composerReportScript() { return std::string(pageScript("composerReport.js")); }

std::string afterHandoverReportScript() { return std::string(pageScript("afterHandoverReport.js")); }

std::string mediaGoneScript() { return std::string(pageScript("mediaGone.js")); }

std::string sendScript(std::string_view body) { return filled(pageScript("sendText.js"), {{"body", std::string(body)}}); }

} // namespace tarvo::WhatsAppWeb
