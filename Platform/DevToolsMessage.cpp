#include "Platform/DevToolsMessage.h"

#include "TarvoBase/JsonReader.h"

namespace tarvo {

std::optional<DevToolsMessage> DevToolsMessage::read(std::string_view text) {
    std::optional<Json> message = JsonReader::parse(text);
    if (!message || !message->is_object()) return std::nullopt;
    const auto id = message->find("id");
    if (id == message->end() || !id->is_number_integer()) {
        return DevToolsMessage{std::nullopt, std::nullopt, std::move(*message)};
    }

    DevToolsMessage reply{id->get<std::int64_t>(), std::nullopt, Json::object()};
    if (const auto error = message->find("error"); error != message->end()) {
        if (!error->is_object()) {
            reply.refusal = error->dump();
            return reply;
        }
        const auto said = error->find("message");
        reply.refusal = said != error->end() && said->is_string() ? said->get<std::string>() : "no reason given";
        return reply;
    }
    if (const auto result = message->find("result"); result != message->end()) reply.body = std::move(*result);
    return reply;
}

} // namespace tarvo
