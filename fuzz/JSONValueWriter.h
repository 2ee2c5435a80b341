#pragma once

#include <type_traits>
#include <variant>

#include "TarvoBase/Json.h"
#include "TarvoClient/JSONValue.h"

namespace tarvo::fuzz {

// A decoded value written back as JSON; the program never writes one, the fuzz targets compare it
// with what it was read from.
inline Json jsonOf(const JSONValue& value);

inline Json jsonOf(const JSONValue::Object& members) {
    Json object = Json::object();
    for (const auto& [key, value] : members) object[key] = jsonOf(value);
    return object;
}

inline Json jsonOf(const JSONValue& value) {
    return std::visit(
        [](const auto& payload) -> Json {
            using Case = std::decay_t<decltype(payload)>;
            if constexpr (std::is_same_v<Case, JSONValue::Null>) {
                return nullptr;
            } else if constexpr (std::is_same_v<Case, JSONValue::Array>) {
                Json array = Json::array();
                for (const auto& element : payload) array.push_back(jsonOf(element));
                return array;
            } else if constexpr (std::is_same_v<Case, JSONValue::Object>) {
                return jsonOf(payload);
            } else {
                return payload;
            }
        },
        value.value());
}

} // namespace tarvo::fuzz
