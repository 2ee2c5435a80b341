#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "Platform/DevToolsMessage.h"
#include "Platform/NulSeparatedMessages.h"
#include "TarvoBase/JsonReader.h"

// What the browser writes on its DevTools pipe: NUL-ended JSON messages, arriving in reads of any
// size. The first byte says how many of the next bytes give the sizes of the reads (a size's
// high bit also waits with taking messages until a later read); the rest is the stream.
//
// The messages are the same whatever the split: each whole message once, in order, and nothing
// of a message whose NUL has not arrived. Each reads as a reply exactly when it is a JSON object
// with a whole-number id, and its reading never throws.
namespace {

using namespace tarvo;
using fuzz::require;

std::vector<std::string> wholeMessages(std::string_view stream) {
    std::vector<std::string> messages;
    for (auto end = stream.find('\0'); end != std::string_view::npos; end = stream.find('\0')) {
        messages.emplace_back(stream.substr(0, end));
        stream.remove_prefix(end + 1);
    }
    return messages;
}

void requireRead(const std::string& text) {
    const std::optional<DevToolsMessage> message = DevToolsMessage::read(text);
    const std::optional<Json> json = JsonReader::parse(text);
    require(message.has_value() == (json && json->is_object()));
    if (!message) return;
    const auto id = json->find("id");
    const bool reply = id != json->end() && id->is_number_integer();
    require(message->replyTo.has_value() == reply);
    if (!reply) require(message->body == *json && !message->refusal);
    if (reply) require(message->refusal.has_value() == json->contains("error"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t splits = std::min<std::size_t>(data[0], size - 1);
    const std::string_view stream = fuzz::text(data + 1 + splits, size - 1 - splits);

    NulSeparatedMessages reader;
    std::vector<std::string> taken;
    const auto take = [&] {
        while (auto message = reader.next()) taken.push_back(std::move(*message));
    };
    std::size_t at = 0;
    for (std::size_t split = 0; split < splits && at < stream.size(); ++split) {
        const std::uint8_t piece = data[1 + split];
        const std::size_t length = std::min<std::size_t>((piece & 0x7F) + 1, stream.size() - at);
        reader.append(stream.substr(at, length));
        at += length;
        if ((piece & 0x80) == 0) take();
    }
    reader.append(stream.substr(at));
    take();

    const std::vector<std::string> expected = wholeMessages(stream);
    require(taken == expected);
    for (const std::string& message : taken) requireRead(message);
    return 0;
}
