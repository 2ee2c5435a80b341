#pragma once

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "TarvoBase/Json.h"

namespace tarvo {

// Any JSON value of a step payload or a permit, as decoded; it is never written back to JSON.
// Two values are equal when they are the same case with equal payloads: numbers as doubles, arrays
// in order, objects whatever the order of their members.
class JSONValue {
public:
    using Array = std::vector<JSONValue>;
    using Object = std::map<std::string, JSONValue>;
    struct Null {
        bool operator==(const Null&) const = default;
    };
    // The cases in their order.
    using Value = std::variant<std::string, double, bool, Array, Object, Null>;

    JSONValue() : value_(std::in_place_type<Null>) {}
    template <class Case>
    JSONValue(std::in_place_type_t<Case> kind, Case payload) : value_(kind, std::move(payload)) {}

    // Throws `JsonReadError`. A number is never taken as a Boolean; every number, integral or not,
    // is a double. `path` names the value in failures.
    static JSONValue fromJson(const Json& json, std::string path = {});
    // The members of a JSON object, each decoded as above.
    static Object objectFromJson(const Json& json, std::string path = {});

    const Value& value() const { return value_; }
    // The text of a string value; nothing for every other case.
    std::optional<std::string> string() const;

    bool operator==(const JSONValue&) const = default;

private:
    Value value_;
};

} // namespace tarvo
