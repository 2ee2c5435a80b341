#include "TarvoSafari/TarvoSafariWebExtensionHandler.h"

#include <string>

#include "TarvoBase/JsonReader.h"
#include "TarvoBase/Logger.h"

namespace tarvo {
namespace {

const Logger& log() {
    static const Logger logger(std::string(TarvoSafariWebExtensionHandler::extensionIdentifier), "native");
    return logger;
}

bool isHello(std::string_view message) {
    const std::optional<Json> parsed = JsonReader::parse(message);
    if (!parsed || !parsed->is_object()) return false;
    const auto kind = parsed->find("kind");
    return kind != parsed->end() && kind->is_string() &&
           kind->get_ref<const std::string&>() == TarvoSafariWebExtensionHandler::helloKind;
}

} // namespace

Json TarvoSafariWebExtensionHandler::answer(std::string_view message) const {
    if (!isHello(message)) return refusal();
    Json reply = Json::object();
    reply["ok"] = true;
    reply["version"] = bundle_.string(BundleInfo::shortVersionKey).value_or("");
    reply["build"] = bundle_.string(BundleInfo::versionKey).value_or("");
    log().log(LogLevel::standard, "native.hello");
    return reply;
}

Json TarvoSafariWebExtensionHandler::refusal() {
    Json reply = Json::object();
    reply["ok"] = false;
    reply["error"] = "unknown_kind";
    log().log(LogLevel::standard, "native.unknown_kind");
    return reply;
}

} // namespace tarvo
