#include "TarvoBase/JsonReader.h"

#include <cmath>

#include <fmt/format.h>

namespace tarvo {
namespace {

// Far deeper than any record the service or a page sends; keeps hostile nesting from exhausting
// the stack in the recursive copy and print of a parsed value.
constexpr int maxParseDepth = 256;

[[noreturn]] void fail(std::string_view path, std::string_view problem) {
    throw JsonReadError(fmt::format("\"{}\" {}", path, problem));
}

bool absent(const Json* value) { return value == nullptr || value->is_null(); }

} // namespace

JsonReader::JsonReader(const Json& value, std::string path) : value_(&value), path_(std::move(path)) {
    if (!value.is_object()) fail(path_.empty() ? "the answer" : path_, "is not an object");
}

std::string JsonReader::memberPath(std::string_view key) const {
    return path_.empty() ? std::string(key) : fmt::format("{}.{}", path_, key);
}

std::string JsonReader::elementPath(std::string_view arrayPath, std::size_t index) {
    return fmt::format("{}[{}]", arrayPath, index);
}

const Json* JsonReader::member(std::string_view key) const {
    const auto found = value_->find(key);
    return found == value_->end() ? nullptr : &*found;
}

const Json& JsonReader::required(std::string_view key) const {
    const Json* value = member(key);
    if (value == nullptr) fail(memberPath(key), "is missing");
    if (value->is_null()) fail(memberPath(key), "is null");
    return *value;
}

std::string JsonReader::asString(const Json& value, std::string_view path) {
    if (!value.is_string()) fail(path, "is not a string");
    return value.get<std::string>();
}

bool JsonReader::asBoolean(const Json& value, std::string_view path) {
    if (!value.is_boolean()) fail(path, "is not a boolean");
    return value.get<bool>();
}

std::int64_t JsonReader::asInt64(const Json& value, std::string_view path) {
    if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(INT64_MAX)) fail(path, "does not fit a 64-bit integer");
        return static_cast<std::int64_t>(unsignedValue);
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (!std::isfinite(number) || std::trunc(number) != number) fail(path, "is not a whole number");
        // 2^63 is exact as a double; everything below it and at or above -2^63 fits.
        if (number < -9223372036854775808.0 || number >= 9223372036854775808.0) {
            fail(path, "does not fit a 64-bit integer");
        }
        return static_cast<std::int64_t>(number);
    }
    fail(path, "is not a number");
}

double JsonReader::asNumber(const Json& value, std::string_view path) {
    if (!value.is_number()) fail(path, "is not a number");
    const double number = value.get<double>();
    if (!std::isfinite(number)) fail(path, "is out of range");
    return number;
}

std::string JsonReader::string(std::string_view key) const { return asString(required(key), memberPath(key)); }

std::optional<std::string> JsonReader::optionalString(std::string_view key) const {
    const Json* value = member(key);
    if (absent(value)) return std::nullopt;
    return asString(*value, memberPath(key));
}

bool JsonReader::boolean(std::string_view key) const { return asBoolean(required(key), memberPath(key)); }

std::optional<bool> JsonReader::optionalBoolean(std::string_view key) const {
    const Json* value = member(key);
    if (absent(value)) return std::nullopt;
    return asBoolean(*value, memberPath(key));
}

std::int64_t JsonReader::int64(std::string_view key) const { return asInt64(required(key), memberPath(key)); }

std::optional<std::int64_t> JsonReader::optionalInt64(std::string_view key) const {
    const Json* value = member(key);
    if (absent(value)) return std::nullopt;
    return asInt64(*value, memberPath(key));
}

double JsonReader::number(std::string_view key) const { return asNumber(required(key), memberPath(key)); }

std::optional<double> JsonReader::optionalNumber(std::string_view key) const {
    const Json* value = member(key);
    if (absent(value)) return std::nullopt;
    return asNumber(*value, memberPath(key));
}

JsonReader JsonReader::object(std::string_view key) const { return JsonReader(required(key), memberPath(key)); }

std::optional<JsonReader> JsonReader::optionalObject(std::string_view key) const {
    const Json* value = member(key);
    if (absent(value)) return std::nullopt;
    return JsonReader(*value, memberPath(key));
}

const Json& JsonReader::array(std::string_view key) const {
    const Json& value = required(key);
    if (!value.is_array()) fail(memberPath(key), "is not an array");
    return value;
}

const Json* JsonReader::optionalArray(std::string_view key) const {
    const Json* value = member(key);
    if (absent(value)) return nullptr;
    if (!value->is_array()) fail(memberPath(key), "is not an array");
    return value;
}

std::optional<Json> JsonReader::parse(std::string_view text) {
    bool tooDeep = false;
    const Json::parser_callback_t watchDepth = [&tooDeep](int depth, Json::parse_event_t, Json&) {
        if (depth > maxParseDepth) tooDeep = true;
        return !tooDeep;
    };
    Json parsed = Json::parse(text.begin(), text.end(), watchDepth, /*allow_exceptions=*/false);
    if (tooDeep || parsed.is_discarded()) return std::nullopt;
    return parsed;
}

} // namespace tarvo
