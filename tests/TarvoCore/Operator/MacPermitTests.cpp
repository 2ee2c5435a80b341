#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/Operator/MacPermit.h"

using tarvo::Json;
using tarvo::JSONValue;
using tarvo::MacPermissionMode;
using tarvo::MacPermit;

namespace {

std::optional<MacPermit> permitFrom(const Json& json) { return MacPermit::from(JSONValue::objectFromJson(json)); }

std::vector<std::string> numbered(std::size_t count) {
    std::vector<std::string> out;
    for (std::size_t index = 0; index < count; ++index) out.push_back("F" + std::to_string(index));
    return out;
}

} // namespace

TEST(MacPermit, ReadsTheModeAndTheStringsOfItsLists) {
    using Strings = std::vector<std::string>;
    Json mixed = Json::array({1, "Documents", nullptr, "Desktop"});
    for (std::size_t index = 0; index < 250; ++index) mixed.push_back(true);
    for (const std::string& name : numbered(250)) mixed.push_back(name);
    Strings mixedKept{"Documents", "Desktop"};
    for (const std::string& name : numbered(198)) mixedKept.push_back(name);

    struct Case {
        Json permit;
        std::optional<MacPermit> read;
    };
    for (const Case& c : std::vector<Case>{
             {{{"mode", "auto_read"}}, MacPermit{MacPermissionMode::autoRead, {}, {}}},
             {{{"mode", "ask"}, {"folders", Json::array({"Documents/Work"})}, {"apps", Json::array({"Notes", "Mail"})}},
              MacPermit{MacPermissionMode::ask, {"Documents/Work"}, {"Notes", "Mail"}}},
             {{{"mode", "auto"}, {"folders", "Documents"}, {"apps", {{"name", "Mail"}}}, {"extra", 1}},
              MacPermit{MacPermissionMode::auto_, {}, {}}},
             {{{"mode", "auto"}, {"folders", numbered(250)}}, MacPermit{MacPermissionMode::auto_, numbered(200), {}}},
             {{{"mode", "ask"}, {"apps", mixed}}, MacPermit{MacPermissionMode::ask, {}, mixedKept}},
             {{{"mode", "Auto"}}, std::nullopt},
             {{{"mode", 2}}, std::nullopt},
             {{{"mode", nullptr}}, std::nullopt},
             {{{"folders", Json::array({"Documents"})}}, std::nullopt},
             {Json::object(), std::nullopt},
         }) {
        EXPECT_EQ(permitFrom(c.permit), c.read) << c.permit.dump().substr(0, 200);
    }
    EXPECT_EQ(MacPermit::from(std::nullopt), std::nullopt);
}
