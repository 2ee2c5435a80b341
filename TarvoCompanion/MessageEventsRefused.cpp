#include "TarvoCompanion/MessageEventsRefused.h"

#include <optional>
#include <utility>

#include "TarvoBase/JsonReader.h"

namespace tarvo {
namespace {

std::optional<std::string> codeOf(const std::string& body) {
    const std::optional<Json> answer = JsonReader::parse(body);
    if (!answer || !answer->is_object()) return std::nullopt;
    const auto code = answer->find("code");
    if (code == answer->end() || !code->is_string()) return std::nullopt;
    return code->get<std::string>();
}

std::string describe(int status, const std::string& body) {
    std::string description = "HTTP " + std::to_string(status);
    if (const auto code = codeOf(body)) description += " " + *code;
    return description;
}

} // namespace

MessageEventsRefused::MessageEventsRefused(int status, std::string body)
    : status_(status), body_(std::move(body)), description_(describe(status_, body_)) {}

} // namespace tarvo
