#include "TarvoCore/Operator/OperatorPress.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <utility>
#include <variant>
#include <vector>

#include <fmt/format.h>

#include "TarvoBase/HexString.h"
#include "TarvoBase/Sha256.h"
#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

void writeValue(std::string& out, const JSONValue& value);

void writeString(std::string& out, std::string_view text) {
    out.push_back('"');
    // Once well-formed, every byte of a character above U+007F is at least 0x80, so the bytes can
    // be copied one by one and only ASCII ever needs an escape.
    for (const char byte : Text::wellFormed(text)) {
        switch (byte) {
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (static_cast<unsigned char>(byte) < 0x20) {
                out += fmt::format("\\u{:04x}", static_cast<unsigned>(byte));
            } else {
                out.push_back(byte);
            }
        }
    }
    out.push_back('"');
}

void writeNumber(std::string& out, double number) {
    if (std::trunc(number) == number && std::fabs(number) < 1e15) {
        out += std::to_string(static_cast<std::int64_t>(number));
        return;
    }
    char digits[32];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, number);
    if (error == std::errc()) out.append(digits, end);
}

void writeObject(std::string& out, const JSONValue::Object& object) {
    // The map orders keys by their UTF-8 bytes; UTF-16 puts a character above U+FFFF (a surrogate
    // pair) before one in U+E000–U+FFFF, so the order is made again.
    std::vector<std::pair<std::u16string, const JSONValue::Object::value_type*>> members;
    members.reserve(object.size());
    for (const auto& member : object) members.emplace_back(Text::utf16(member.first), &member);
    std::ranges::sort(members, {}, &decltype(members)::value_type::first);
    out.push_back('{');
    bool first = true;
    for (const auto& [units, member] : members) {
        if (!std::exchange(first, false)) out.push_back(',');
        writeString(out, member->first);
        out.push_back(':');
        writeValue(out, member->second);
    }
    out.push_back('}');
}

void writeValue(std::string& out, const JSONValue& value) {
    std::visit(
        [&out](const auto& payload) {
            using Case = std::decay_t<decltype(payload)>;
            if constexpr (std::is_same_v<Case, std::string>) {
                writeString(out, payload);
            } else if constexpr (std::is_same_v<Case, double>) {
                writeNumber(out, payload);
            } else if constexpr (std::is_same_v<Case, bool>) {
                out += payload ? "true" : "false";
            } else if constexpr (std::is_same_v<Case, JSONValue::Array>) {
                out.push_back('[');
                bool first = true;
                for (const JSONValue& element : payload) {
                    if (!std::exchange(first, false)) out.push_back(',');
                    writeValue(out, element);
                }
                out.push_back(']');
            } else if constexpr (std::is_same_v<Case, JSONValue::Object>) {
                writeObject(out, payload);
            } else {
                out += "null";
            }
        },
        value.value());
}

} // namespace

std::string OperatorPress::canonical(std::string_view runId, const JSONValue::Object& step) {
    std::string text(runId);
    text.push_back('\n');
    writeObject(text, step);
    return text;
}

std::string OperatorPress::digest(std::string_view runId, const JSONValue::Object& step) {
    return hexString(Sha256::of(canonical(runId, step)));
}

bool OperatorPress::approves(const std::optional<std::string>& pressed, std::string_view runId,
                             const std::optional<JSONValue::Object>& step) {
    return pressed && step && Text::lowercased(*pressed) == digest(runId, *step);
}

std::string OperatorPress::object(const JSONValue::Object& object) {
    std::string out;
    writeObject(out, object);
    return out;
}

std::string OperatorPress::value(const JSONValue& value) {
    std::string out;
    writeValue(out, value);
    return out;
}

std::string OperatorPress::string(std::string_view text) {
    std::string out;
    writeString(out, text);
    return out;
}

} // namespace tarvo
