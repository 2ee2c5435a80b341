#include "TarvoClient/RequestBody.h"

#include <optional>

#include "TarvoClient/BrainClientFailure.h"

namespace tarvo {
namespace {

bool isWellFormed(const std::string& text) {
    try {
        (void)Json(text).dump();
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

// The member's path as the strict readers name it, with anything ill-formed in a name shown as
// U+FFFD so the path itself can be logged.
std::string memberPath(const std::string& object, const std::string& key) {
    const std::string quoted = Json(key).dump(-1, ' ', false, Json::error_handler_t::replace);
    const std::string name = quoted.substr(1, quoted.size() - 2);
    return object.empty() ? name : object + "." + name;
}

std::optional<std::string> firstIllFormed(const Json& value, const std::string& path) {
    if (value.is_string()) {
        if (isWellFormed(value.get_ref<const std::string&>())) return std::nullopt;
        return path;
    }
    if (value.is_object()) {
        for (const auto& [key, member] : value.items()) {
            const std::string at = memberPath(path, key);
            if (!isWellFormed(key)) return at;
            if (auto found = firstIllFormed(member, at)) return found;
        }
    } else if (value.is_array()) {
        for (std::size_t index = 0; index < value.size(); ++index) {
            if (auto found = firstIllFormed(value[index], path + "[" + std::to_string(index) + "]")) return found;
        }
    }
    return std::nullopt;
}

} // namespace

std::string requestBody(const Json& body, IllFormedText illFormed) {
    if (illFormed == IllFormedText::repair) return body.dump(-1, ' ', false, Json::error_handler_t::replace);
    try {
        return body.dump();
    } catch (const Json::type_error&) {
        const std::string member = firstIllFormed(body, "").value_or("");
        const std::string what = member.empty() ? "it" : "\"" + member + "\"";
        throw BrainClientFailure::decoding("the request body cannot be written: " + what + " is not UTF-8");
    }
}

} // namespace tarvo
