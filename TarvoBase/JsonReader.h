#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoBase/Json.h"
#include "TarvoBase/JsonReadError.h"

namespace tarvo {

// Strict typed reading of one JSON object, for record decoders. A required member that is missing,
// null or of another JSON type throws `JsonReadError`; an optional member that is absent or null
// reads as nullopt, and one of another type throws. Unknown members are ignored.
class JsonReader {
public:
    // Throws when `value` is not an object. `path` names the object in failure descriptions
    // ("job.attachments[2]"); empty for the top level.
    explicit JsonReader(const Json& value, std::string path = {});
    // The reader points into the value it reads, so that value must outlive it.
    JsonReader(Json&&, std::string = {}) = delete;

    std::string string(std::string_view key) const;
    std::optional<std::string> optionalString(std::string_view key) const;

    bool boolean(std::string_view key) const;
    std::optional<bool> optionalBoolean(std::string_view key) const;

    // A JSON number without a fractional part that fits a signed 64-bit integer (3.0 reads as 3).
    std::int64_t int64(std::string_view key) const;
    std::optional<std::int64_t> optionalInt64(std::string_view key) const;

    // Any finite JSON number.
    double number(std::string_view key) const;
    std::optional<double> optionalNumber(std::string_view key) const;

    JsonReader object(std::string_view key) const;
    std::optional<JsonReader> optionalObject(std::string_view key) const;

    // The member's JSON array; read its elements with the value readers below.
    const Json& array(std::string_view key) const;
    // Null when the member is absent or null.
    const Json* optionalArray(std::string_view key) const;

    // The same rules for one value, such as an array element; `path` names it in failures.
    static std::string asString(const Json& value, std::string_view path);
    static bool asBoolean(const Json& value, std::string_view path);
    static std::int64_t asInt64(const Json& value, std::string_view path);
    static double asNumber(const Json& value, std::string_view path);

    // The path of a member or an element of this object, for nested readers and failures.
    std::string memberPath(std::string_view key) const;
    static std::string elementPath(std::string_view arrayPath, std::size_t index);

    const Json& json() const { return *value_; }

    // Text from outside the program: nothing when it is not one whole JSON value (including
    // invalid UTF-8 and nesting deeper than any record of ours), never an exception.
    static std::optional<Json> parse(std::string_view text);

private:
    const Json* member(std::string_view key) const;
    const Json& required(std::string_view key) const;

    const Json* value_;
    std::string path_;
};

} // namespace tarvo
