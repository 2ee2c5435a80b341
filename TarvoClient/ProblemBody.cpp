#include "TarvoClient/ProblemBody.h"

#include "TarvoBase/JsonReader.h"

namespace tarvo {
namespace {

// False when the member is there with a value that is neither a string nor null.
bool readText(const Json& object, const char* key, std::optional<std::string>& into) {
    auto member = object.find(key);
    if (member == object.end() || member->is_null()) return true;
    if (!member->is_string()) return false;
    into = member->get<std::string>();
    return true;
}

} // namespace

std::optional<ProblemBody> ProblemBody::read(std::string_view body) {
    const std::optional<Json> json = JsonReader::parse(body);
    if (!json || !json->is_object()) return std::nullopt;
    ProblemBody problem;
    if (!readText(*json, "code", problem.code) || !readText(*json, "message", problem.message) ||
        !readText(*json, "error", problem.error)) {
        return std::nullopt;
    }
    return problem;
}

} // namespace tarvo
