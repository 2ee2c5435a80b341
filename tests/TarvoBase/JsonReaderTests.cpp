#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "TarvoBase/JsonReader.h"

using tarvo::Json;
using tarvo::JsonReader;
using tarvo::JsonReadError;

namespace {

Json record() {
    return Json::parse(R"({
        "id": "job-1", "ok": true, "size": 42, "whole": 3.0, "big": 9223372036854775807,
        "ratio": 0.5, "nothing": null, "unknown": {"deep": [1, 2]},
        "attachment": {"name": "a.png", "bytes": "eA=="}, "list": ["x", 7]
    })");
}

std::string failureOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const JsonReadError& error) {
        return error.description();
    }
    return "no failure";
}

} // namespace

TEST(JsonReader, ReadsEachTypeAndIgnoresUnknownMembers) {
    const Json json = record();
    const JsonReader reader(json);
    EXPECT_EQ(reader.string("id"), "job-1");
    EXPECT_TRUE(reader.boolean("ok"));
    EXPECT_EQ(reader.int64("size"), 42);
    EXPECT_EQ(reader.int64("whole"), 3);
    EXPECT_EQ(reader.int64("big"), INT64_MAX);
    EXPECT_DOUBLE_EQ(reader.number("ratio"), 0.5);
    EXPECT_DOUBLE_EQ(reader.number("size"), 42.0);
    EXPECT_EQ(reader.object("attachment").string("bytes"), "eA==");
    EXPECT_EQ(reader.array("list").size(), 2u);
    EXPECT_EQ(JsonReader::asInt64(reader.array("list")[1], "list[1]"), 7);

    EXPECT_EQ(reader.optionalString("missing"), std::nullopt);
    EXPECT_EQ(reader.optionalString("nothing"), std::nullopt);
    EXPECT_EQ(reader.optionalInt64("nothing"), std::nullopt);
    EXPECT_EQ(reader.optionalArray("nothing"), nullptr);
    EXPECT_FALSE(reader.optionalObject("missing").has_value());
    EXPECT_EQ(reader.optionalString("id"), "job-1");
}

TEST(JsonReader, FailuresNameTheMemberAndTheProblem) {
    Json json = Json::parse(R"({
        "text": 5, "flag": "true", "fraction": 2.5, "huge": 9223372036854775808, "hugeFloat": 9223372036854775808.0, "numeric": "12",
        "empty": null, "nested": {"inner": {}}, "items": [1, "two"]
    })");
    json["infinite"] = HUGE_VAL;
    const JsonReader reader(json);
    struct Case {
        std::function<void()> read;
        const char* description;
    };
    for (const auto& c : std::initializer_list<Case>{
             {[&] { reader.string("absent"); }, "\"absent\" is missing"},
             {[&] { reader.string("empty"); }, "\"empty\" is null"},
             {[&] { reader.string("text"); }, "\"text\" is not a string"},
             {[&] { reader.optionalString("text"); }, "\"text\" is not a string"},
             {[&] { reader.boolean("flag"); }, "\"flag\" is not a boolean"},
             {[&] { reader.int64("fraction"); }, "\"fraction\" is not a whole number"},
             {[&] { reader.int64("huge"); }, "\"huge\" does not fit a 64-bit integer"},
             {[&] { reader.int64("hugeFloat"); }, "\"hugeFloat\" does not fit a 64-bit integer"},
             {[&] { reader.int64("numeric"); }, "\"numeric\" is not a number"},
             {[&] { reader.number("infinite"); }, "\"infinite\" is out of range"},
             {[&] { reader.object("nested").object("inner").string("id"); }, "\"nested.inner.id\" is missing"},
             {[&] { reader.array("text"); }, "\"text\" is not an array"},
             {[&] { reader.object("items"); }, "\"items\" is not an object"},
             {[&] {
                  const Json& items = reader.array("items");
                  for (std::size_t i = 0; i < items.size(); ++i) {
                      JsonReader::asInt64(items[i], JsonReader::elementPath(reader.memberPath("items"), i));
                  }
              },
              "\"items[1]\" is not a number"},
             {[&] { const JsonReader items(json["items"]); }, "\"the answer\" is not an object"},
         }) {
        EXPECT_EQ(failureOf(c.read), c.description);
    }
}

TEST(JsonReader, ParseOfOutsideTextNeverThrows) {
    EXPECT_EQ(JsonReader::parse(R"({"a":[1,2]})"), Json::parse(R"({"a":[1,2]})"));
    EXPECT_EQ(JsonReader::parse("\"text\""), Json("text"));
    for (const std::string& text : {std::string(""), std::string("{"), std::string("{} trailing"),
                                    std::string("{\"a\":\"\xff\"}"), std::string("1e400"), std::string(100000, '['),
                                    std::string(300, '[') + std::string(300, ']')}) {
        EXPECT_EQ(JsonReader::parse(text), std::nullopt) << text.substr(0, 20);
    }
    EXPECT_TRUE(JsonReader::parse(std::string(200, '[') + std::string(200, ']')).has_value());
}

TEST(JsonReader, BodiesKeepTheOrderMembersWereAdded) {
    Json body;
    body["zeta"] = 1;
    body["alpha"] = "two";
    body["mid"] = true;
    EXPECT_EQ(body.dump(), R"({"zeta":1,"alpha":"two","mid":true})");
}
