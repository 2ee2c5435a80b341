#include "TarvoClient/JSONValue.h"

#include "TarvoBase/JsonReadError.h"
#include "TarvoBase/JsonReader.h"

namespace tarvo {
namespace {

// Decoding and releasing a value recurse once per level; a hostile answer nested a hundred
// thousand levels deep would otherwise exhaust the stack.
constexpr int maxDepth = 256;

JSONValue decode(const Json& json, const std::string& path, int depth);

JSONValue::Object decodeObject(const Json& json, const std::string& path, int depth) {
    const JsonReader object(json, path);
    JSONValue::Object members;
    for (const auto& [key, value] : json.items()) {
        members.emplace(key, decode(value, object.memberPath(key), depth + 1));
    }
    return members;
}

JSONValue decode(const Json& json, const std::string& path, int depth) {
    if (depth > maxDepth) throw JsonReadError("\"" + path + "\" is nested too deeply");
    if (json.is_null()) return JSONValue();
    if (json.is_boolean()) return JSONValue(std::in_place_type<bool>, json.get<bool>());
    if (json.is_number()) return JSONValue(std::in_place_type<double>, JsonReader::asNumber(json, path));
    if (json.is_string()) return JSONValue(std::in_place_type<std::string>, json.get<std::string>());
    if (json.is_array()) {
        JSONValue::Array elements;
        elements.reserve(json.size());
        for (std::size_t index = 0; index < json.size(); ++index) {
            elements.push_back(decode(json[index], JsonReader::elementPath(path, index), depth + 1));
        }
        return JSONValue(std::in_place_type<JSONValue::Array>, std::move(elements));
    }
    return JSONValue(std::in_place_type<JSONValue::Object>, decodeObject(json, path, depth));
}

} // namespace

JSONValue JSONValue::fromJson(const Json& json, std::string path) { return decode(json, path, 0); }

JSONValue::Object JSONValue::objectFromJson(const Json& json, std::string path) {
    return decodeObject(json, path, 0);
}

std::optional<std::string> JSONValue::string() const {
    if (const auto* text = std::get_if<std::string>(&value_)) return *text;
    return std::nullopt;
}

} // namespace tarvo
