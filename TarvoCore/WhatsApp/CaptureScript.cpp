#include "TarvoCore/WhatsApp/CaptureScript.h"

#include <string_view>

#include <fmt/format.h>

#include "TarvoBase/Json.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/WhatsApp/PageScripts.h"

namespace tarvo::WhatsAppWeb {
namespace {

constexpr std::string_view opening = "__ARG_";
constexpr std::string_view closing = "__";

// Each value stands where the pieces write "__ARG_<name>__". One pass over the pieces, so a value
// is never searched for placeholders itself.
std::string spliced(std::string_view pieces, const std::map<std::string_view, std::string>& values) {
    std::string script;
    script.reserve(pieces.size());
    for (auto at = pieces.find(opening); at != std::string_view::npos; at = pieces.find(opening)) {
        const auto nameStart = at + opening.size();
        const auto nameEnd = pieces.find(closing, nameStart);
        const auto value =
            nameEnd == std::string_view::npos ? values.end() : values.find(pieces.substr(nameStart, nameEnd - nameStart));
        if (value == values.end()) {
            script.append(pieces.substr(0, nameStart));
            pieces.remove_prefix(nameStart);
            continue;
        }
        script.append(pieces.substr(0, at)).append(value->second);
        pieces.remove_prefix(nameEnd + closing.size());
    }
    script.append(pieces);
    return script;
}

// JSON text is a valid script literal. A text that is not UTF-8 cannot be written as JSON; it is
// left out on its own, so one bad print never empties the whole baseline (an empty baseline would
// make a first look, which marks every chat seen).
Json texts(const std::vector<std::string>& values) {
    Json array = Json::array();
    for (const auto& value : values) {
        if (Text::isWellFormedUtf8(value)) array.push_back(value);
    }
    return array;
}

Json tagLists(const std::map<std::string, std::vector<std::string>>& lists) {
    Json object = Json::object();
    for (const auto& [key, tags] : lists) {
        if (Text::isWellFormedUtf8(key)) object[key] = texts(tags);
    }
    return object;
}

} // namespace

std::string captureScript(int chatLimit, int messageLimit, int bootstrapChats, const std::vector<std::string>& known,
                          bool catchUp, std::int64_t cursor, std::int64_t mediaBudget,
                          const std::vector<std::string>& retriesSpent, const std::vector<std::string>& peek,
                          int peekLimit, int peekMessageLimit,
                          const std::map<std::string, std::vector<std::string>>& peekWatching) {
    const std::string pieces = fmt::format("{}\n{}{}{}", pageScript("capture-names.js"),
                                           pageScript("capture-messages.js"), pageScript("capture-list.js"),
                                           pageScript("capture-run.js"));
    return spliced(pieces, {
                               {"messageLimit", std::to_string(messageLimit)},
                               {"mediaBudget", std::to_string(mediaBudget)},
                               {"known", texts(known).dump()},
                               {"retriesSpent", texts(retriesSpent).dump()},
                               {"catchUp", catchUp ? "true" : "false"},
                               {"peek", texts(peek).dump()},
                               {"peekLimit", std::to_string(peekLimit)},
                               {"peekMessageLimit", std::to_string(peekMessageLimit)},
                               {"peekWatching", tagLists(peekWatching).dump()},
                               {"bootstrapChats", std::to_string(bootstrapChats)},
                               {"chatLimit", std::to_string(chatLimit)},
                               {"cursor", std::to_string(cursor)},
                           });
}

} // namespace tarvo::WhatsAppWeb
