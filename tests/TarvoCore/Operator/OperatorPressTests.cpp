#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "TarvoBase/JsonReader.h"
#include "TarvoBase/Text.h"
#include "TarvoClient/JSONValue.h"
#include "TarvoCore/Operator/OperatorPress.h"

using tarvo::JSONValue;
using tarvo::OperatorPress;
using tarvo::Text;

namespace {

JSONValue::Object stepFrom(const std::string& json) {
    const auto parsed = tarvo::JsonReader::parse(json);
    EXPECT_TRUE(parsed) << json;
    return JSONValue::objectFromJson(parsed.value_or(tarvo::Json::object()));
}

JSONValue number(double value) { return JSONValue(std::in_place_type<double>, value); }

} // namespace

// The digests were written by a separate writer, in Python, and checked with printf and sha256sum.
TEST(OperatorPress, DigestsAStepByteForByteAsTheServiceDoes) {
    struct Case {
        std::string runId;
        std::string step;
        std::string object;
        std::string digest;
    };
    const std::string scroll = R"({"amount":3,"app":"Safari","direction":"down","kind":"scroll"})";
    for (const Case& c : std::vector<Case>{
             {"r1", R"({"kind": "scroll", "app": "Safari", "direction": "down", "amount": 3})", scroll,
              "c7d6ed10f3c2c203f2e07c2afc704f6453bab7fb97f419536c5671932db47d20"},
             {"r1", R"({"kind": "scroll", "app": "Safari", "direction": "down", "amount": 3.0})", scroll,
              "c7d6ed10f3c2c203f2e07c2afc704f6453bab7fb97f419536c5671932db47d20"},
             {"r1", R"({"kind": "scroll", "app": "Safari", "direction": "down", "amount": 2.5})",
              R"({"amount":2.5,"app":"Safari","direction":"down","kind":"scroll"})",
              "c1c49b4d4b54c5688085f0f75178e415632f75ce5d9414f98f916c193a600915"},
             {"r1", "{\"kind\":\"type_text\",\"app\":\"Editor\",\"text\":\"a\\nb\\u001b/\xC3\xA9\\\"\\\\\x7F\\t\"}",
              "{\"app\":\"Editor\",\"kind\":\"type_text\",\"text\":\"a\\nb\\u001b/\xC3\xA9\\\"\\\\\x7F\\t\"}",
              "c421a2e8df261dee5ddc3abe5ebaf95a81c9656c9f179ec740b89b5619759613"},
             {"r1", "{\"\xF0\x9F\x98\x80\":1,\"\xEF\xBD\xA1\":2,\"a\":{\"b\":[true,null,-0.0]}}",
              "{\"a\":{\"b\":[true,null,0]},\"\xF0\x9F\x98\x80\":1,\"\xEF\xBD\xA1\":2}",
              "adeed5873c035eb696343e3445ac83c7cda69496686ee05dfbc436f22298ef5f"},
             {"run-7", R"({"kind":"key","app":"Editor","key":"return","modifiers":["command","shift"]})",
              R"({"app":"Editor","key":"return","kind":"key","modifiers":["command","shift"]})",
              "ee4edaa225e58c73f46d5b329923722c06ee822d2b1d6d605d677538204bfd67"},
         }) {
        const JSONValue::Object step = stepFrom(c.step);
        EXPECT_EQ(OperatorPress::object(step), c.object) << c.step;
        EXPECT_EQ(OperatorPress::canonical(c.runId, step), c.runId + "\n" + c.object);
        EXPECT_EQ(OperatorPress::digest(c.runId, step), c.digest) << c.step;
    }
}

TEST(OperatorPress, ApprovesOnlyTheDigestOfThisRunAndStep) {
    const JSONValue::Object step = stepFrom(R"({"kind":"key","app":"Editor","key":"return","modifiers":["command","shift"]})");
    const std::string digest = "ee4edaa225e58c73f46d5b329923722c06ee822d2b1d6d605d677538204bfd67";
    std::string upper = digest;
    std::ranges::transform(upper, upper.begin(), [](char c) { return c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c; });
    std::string changed = digest;
    changed[17] = changed[17] == '0' ? '1' : '0';

    EXPECT_TRUE(OperatorPress::approves(digest, "run-7", step));
    EXPECT_TRUE(OperatorPress::approves(upper, "run-7", step));
    EXPECT_FALSE(OperatorPress::approves(std::nullopt, "run-7", step));
    EXPECT_FALSE(OperatorPress::approves(digest, "run-7", std::nullopt));
    EXPECT_FALSE(OperatorPress::approves(changed, "run-7", step));
    EXPECT_FALSE(OperatorPress::approves(digest, "run-8", step));
    EXPECT_FALSE(OperatorPress::approves(digest + " ", "run-7", step));
    EXPECT_FALSE(OperatorPress::approves("", "run-7", step));
}

TEST(OperatorPress, WritesNumbersAndStringsInOneFixedForm) {
    struct Number {
        double value;
        std::string text;
    };
    for (const Number& c : std::vector<Number>{
             {0, "0"},
             {-0.0, "0"},
             {3, "3"},
             {-42, "-42"},
             {2.5, "2.5"},
             {-0.1, "-0.1"},
             {999999999999999, "999999999999999"},
             {-999999999999999, "-999999999999999"},
             {1e15, "1e+15"},
             {123456789012345678.0, "123456789012345680"},
             {1e21, "1e+21"},
             {0.000001, "1e-06"},
             {1e-7, "1e-07"},
             {5e-324, "5e-324"},
         }) {
        EXPECT_EQ(OperatorPress::value(number(c.value)), c.text) << c.text;
    }

    struct Escape {
        std::string text;
        std::string written;
    };
    for (const Escape& c : std::vector<Escape>{
             {"plain", "\"plain\""},
             {"\b\t\n\f\r", "\"\\b\\t\\n\\f\\r\""},
             {std::string("\0\x01\x0B\x1F", 4), "\"\\u0000\\u0001\\u000b\\u001f\""},
             {"\"\\/", "\"\\\"\\\\/\""},
             {"\x7F\xC2\x85\xE2\x80\xA8\xC3\xA9\xF0\x9F\x98\x80", "\"\x7F\xC2\x85\xE2\x80\xA8\xC3\xA9\xF0\x9F\x98\x80\""},
         }) {
        EXPECT_EQ(OperatorPress::string(c.text), c.written) << c.written;
    }
    const JSONValue::Array empty;
    EXPECT_EQ(OperatorPress::value(JSONValue(std::in_place_type<JSONValue::Array>, empty)), "[]");
    EXPECT_EQ(OperatorPress::object({}), "{}");
    EXPECT_EQ(OperatorPress::object({{"b", JSONValue()}, {"a", JSONValue(std::in_place_type<bool>, false)}}),
              R"({"a":false,"b":null})");
}

// Random steps, nested, with escapes and keys beyond the Basic Multilingual Plane: the text reads
// back as the same value, with every object's keys in UTF-16 order.
TEST(OperatorPress, WritesJsonThatReadsBackInUtf16KeyOrder) {
    std::mt19937 random(51);
    const std::vector<std::string> pieces{"a", "Z", "\"", "\\", "\n", std::string("\0", 1), "\x1F", "\x7F", "/",
                                          "\xC3\xA9", "\xEF\xBD\xA1", "\xEE\x80\x80", "\xEF\xBF\xBF",
                                          "\xF0\x9F\x98\x80", "\xF0\x90\x80\x80", "\xE2\x80\xA8"};
    const auto text = [&] {
        std::string made;
        for (unsigned count = random() % 5; count > 0; --count) made += pieces[random() % pieces.size()];
        return made;
    };
    const auto grow = [&](const auto& self, int depth) -> JSONValue {
        switch (depth > 3 ? random() % 4 : random() % 6) {
        case 0: return JSONValue(std::in_place_type<std::string>, text());
        case 1: {
            std::uniform_real_distribution<double> any(-1e18, 1e18);
            const double value = random() % 2 ? std::round(any(random) / 1e4) : any(random) / 1e9;
            return number(random() % 7 == 0 ? -0.0 : value);
        }
        case 2: return JSONValue(std::in_place_type<bool>, random() % 2 == 0);
        case 3: return JSONValue();
        case 4: {
            JSONValue::Array elements;
            for (unsigned count = random() % 4; count > 0; --count) elements.push_back(self(self, depth + 1));
            return JSONValue(std::in_place_type<JSONValue::Array>, std::move(elements));
        }
        default: {
            JSONValue::Object members;
            for (unsigned count = random() % 6; count > 0; --count) members.emplace(text(), self(self, depth + 1));
            return JSONValue(std::in_place_type<JSONValue::Object>, std::move(members));
        }
        }
    };
    const auto keysInUtf16Order = [](const auto& self, const nlohmann::ordered_json& json) -> bool {
        if (json.is_array()) return std::ranges::all_of(json, [&](const auto& element) { return self(self, element); });
        if (!json.is_object()) return true;
        std::vector<std::u16string> keys;
        for (const auto& [key, member] : json.items()) {
            keys.push_back(Text::utf16(key));
            if (!self(self, member)) return false;
        }
        return std::ranges::is_sorted(keys) && std::ranges::adjacent_find(keys) == keys.end();
    };
    for (int round = 0; round < 500; ++round) {
        JSONValue::Object step;
        for (unsigned count = random() % 8; count > 0; --count) step.emplace(text(), grow(grow, 0));
        const std::string written = OperatorPress::object(step);
        const auto ordered = nlohmann::ordered_json::parse(written);
        ASSERT_TRUE(keysInUtf16Order(keysInUtf16Order, ordered)) << written;
        ASSERT_EQ(JSONValue::objectFromJson(tarvo::Json::parse(written)), step) << written;
        ASSERT_EQ(OperatorPress::object(JSONValue::objectFromJson(tarvo::Json::parse(written))), written);
    }
}
