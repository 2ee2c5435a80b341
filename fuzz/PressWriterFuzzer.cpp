#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "TarvoBase/JsonReader.h"
#include "TarvoBase/Text.h"
#include "TarvoClient/JSONValue.h"
#include "TarvoCore/Operator/OperatorPress.h"

using tarvo::JSONValue;
using tarvo::OperatorPress;

namespace {

void require(bool holds) {
    if (!holds) __builtin_trap();
}

// Every object's keys, at every level, strictly ascending by UTF-16 code units.
bool keysInUtf16Order(const nlohmann::ordered_json& json) {
    if (json.is_array()) return std::ranges::all_of(json, keysInUtf16Order);
    if (!json.is_object()) return true;
    std::vector<std::u16string> keys;
    for (const auto& [key, member] : json.items()) {
        keys.push_back(tarvo::Text::utf16(key));
        if (!keysInUtf16Order(member)) return false;
    }
    return std::ranges::adjacent_find(keys, std::greater_equal<>()) == keys.end();
}

bool isLowerHex(const std::string& digest) {
    return digest.size() == 64 &&
           std::ranges::all_of(digest, [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

} // namespace

// Any step object the service could send: its canonical text is JSON that reads back as the same
// value, with its keys in UTF-16 order, and writing that again changes nothing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto json = tarvo::JsonReader::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!json || !json->is_object()) return 0;
    JSONValue::Object step;
    try {
        step = JSONValue::objectFromJson(*json);
    } catch (const tarvo::JsonReadError&) {
        return 0;
    }
    const std::string written = OperatorPress::object(step);
    const auto ordered = nlohmann::ordered_json::parse(written, nullptr, false);
    require(!ordered.is_discarded());
    require(keysInUtf16Order(ordered));
    const JSONValue::Object again = JSONValue::objectFromJson(tarvo::Json::parse(written));
    require(again == step);
    require(OperatorPress::object(again) == written);
    const std::string digest = OperatorPress::digest("run", step);
    require(isLowerHex(digest));
    require(OperatorPress::approves(digest, "run", step));
    return 0;
}
