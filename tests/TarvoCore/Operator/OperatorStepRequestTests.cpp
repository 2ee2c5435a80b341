#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TarvoClient/JSONValue.h"
#include "TarvoCore/Operator/OperatorStepRequest.h"

using tarvo::Json;
using tarvo::JSONValue;
using tarvo::MacCapabilityClass;
using Request = tarvo::OperatorStepRequest;

namespace {

// U+1F600: one character, two UTF-16 units.
const std::string grin = "\xF0\x9F\x98\x80";

struct Case {
    Json step;
    std::optional<Request> parsed;
};

std::optional<Request> parse(const Json& step) { return Request::parse(JSONValue::objectFromJson(step)); }

void expectTable(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(parse(c.step), c.parsed) << c.step.dump();
}

std::string repeated(std::size_t count, char c = 'a') { return std::string(count, c); }

} // namespace

TEST(OperatorStepRequest, ListAppsTakesNothingButItsKind) {
    expectTable({
        {{{"kind", "list_apps"}}, Request{Request::ListApps{}}},
        {{{"kind", "list_apps"}, {"app", "Safari"}}, std::nullopt},
        {Json::object(), std::nullopt},
        {{{"kind", 3}}, std::nullopt},
        {{{"kind", "List_Apps"}}, std::nullopt},
        {{{"kind", "move_file"}, {"app", "Finder"}}, std::nullopt},
        {{{"app", "Safari"}}, std::nullopt},
    });
}

TEST(OperatorStepRequest, LookAndReadScreenTextTakeATrimmedAppWithinItsLimit) {
    expectTable({
        {{{"kind", "look"}}, Request{Request::Look{}}},
        {{{"kind", "look"}, {"app", " \n Safari \t"}}, Request{Request::Look{"Safari"}}},
        {{{"kind", "look"}, {"app", "   "}}, std::nullopt},
        {{{"kind", "look"}, {"app", nullptr}}, std::nullopt},
        {{{"kind", "look"}, {"app", 5}}, std::nullopt},
        {{{"kind", "look"}, {"app", true}}, std::nullopt},
        {{{"kind", "look"}, {"app", Json::array({"Safari"})}}, std::nullopt},
        {{{"kind", "look"}, {"app", {{"name", "Safari"}}}}, std::nullopt},
        {{{"kind", "look"}, {"app", " " + repeated(120) + " "}}, Request{Request::Look{repeated(120)}}},
        {{{"kind", "look"}, {"app", repeated(121)}}, std::nullopt},
        {{{"kind", "look"}, {"app", repeated(118) + grin}}, Request{Request::Look{repeated(118) + grin}}},
        {{{"kind", "look"}, {"app", repeated(119) + grin}}, std::nullopt},
        {{{"kind", "look"}, {"app", "Safari"}, {"element", "1.2"}}, std::nullopt},
        {{{"kind", "read_screen_text"}}, Request{Request::ReadScreenText{}}},
        {{{"kind", "read_screen_text"}, {"app", "Mail "}}, Request{Request::ReadScreenText{"Mail"}}},
        {{{"kind", "read_screen_text"}, {"app", ""}}, std::nullopt},
        {{{"kind", "read_screen_text"}, {"text", "x"}}, std::nullopt},
    });
}

TEST(OperatorStepRequest, ListFilesTakesAQueryALimitAndAFolder) {
    const Json step{{"kind", "list_files"}, {"query", "budget"}};
    auto with = [&](const char* key, Json value) {
        Json changed = step;
        changed[key] = std::move(value);
        return changed;
    };
    expectTable({
        {step, Request{Request::ListFiles{"budget", 10, std::nullopt}}},
        {with("query", "  q3 report \n"), Request{Request::ListFiles{"q3 report", 10, std::nullopt}}},
        {with("limit", 1), Request{Request::ListFiles{"budget", 1, std::nullopt}}},
        {with("limit", 20), Request{Request::ListFiles{"budget", 20, std::nullopt}}},
        {with("limit", 2.0), Request{Request::ListFiles{"budget", 2, std::nullopt}}},
        {with("limit", 20.0), Request{Request::ListFiles{"budget", 20, std::nullopt}}},
        {with("limit", 2.5), std::nullopt},
        {with("limit", 0), std::nullopt},
        {with("limit", 21), std::nullopt},
        {with("limit", -1), std::nullopt},
        {with("limit", 1e300), std::nullopt},
        {with("limit", "5"), std::nullopt},
        {with("limit", true), std::nullopt},
        {with("limit", nullptr), std::nullopt},
        {with("folder", "Documents/Work"), Request{Request::ListFiles{"budget", 10, "Documents/Work"}}},
        {with("folder", repeated(255)), Request{Request::ListFiles{"budget", 10, repeated(255)}}},
        {with("folder", repeated(256)), std::nullopt},
        {with("folder", ""), std::nullopt},
        {with("folder", "/Users"), std::nullopt},
        {with("folder", "Documents/"), std::nullopt},
        {with("folder", "~/Documents"), std::nullopt},
        {with("folder", "Documents//Work"), std::nullopt},
        {with("folder", "Documents/./Work"), std::nullopt},
        {with("folder", "Documents/../.."), std::nullopt},
        {with("folder", "Docu\tments"), std::nullopt},
        {with("folder", "Docu\x7Fments"), std::nullopt},
        {with("folder", 1), std::nullopt},
        {with("folder", nullptr), std::nullopt},
        {with("query", repeated(120)), Request{Request::ListFiles{repeated(120), 10, std::nullopt}}},
        {with("query", repeated(121)), std::nullopt},
        {with("query", "   "), std::nullopt},
        {with("query", 7), std::nullopt},
        {{{"kind", "list_files"}, {"limit", 3}}, std::nullopt},
        {with("app", "Finder"), std::nullopt},
    });
}

TEST(OperatorStepRequest, ReadAndSendFileTakeOnlyAWellShapedReference) {
    const std::string ref = "f_" + repeated(32, 'Z');
    expectTable({
        {{{"kind", "read_file"}, {"ref", ref}}, Request{Request::ReadFile{ref}}},
        {{{"kind", "send_file"}, {"ref", ref}}, Request{Request::SendFile{ref}}},
        {{{"kind", "read_file"}, {"ref", "aZ09_-xy"}}, Request{Request::ReadFile{"aZ09_-xy"}}},
        {{{"kind", "read_file"}, {"ref", repeated(128)}}, Request{Request::ReadFile{repeated(128)}}},
        {{{"kind", "read_file"}, {"ref", repeated(7)}}, std::nullopt},
        {{{"kind", "read_file"}, {"ref", repeated(129)}}, std::nullopt},
        {{{"kind", "read_file"}, {"ref", "f_abc.def"}}, std::nullopt},
        {{{"kind", "read_file"}, {"ref", "f_abc+def"}}, std::nullopt},
        {{{"kind", "read_file"}, {"ref", "f_abc\xC3\xA9" "def"}}, std::nullopt},
        {{{"kind", "send_file"}, {"ref", 12345678}}, std::nullopt},
        {{{"kind", "send_file"}}, std::nullopt},
        {{{"kind", "send_file"}, {"ref", ref}, {"folder", "Documents"}}, std::nullopt},
    });
}

TEST(OperatorStepRequest, EveryActNeedsAnApp) {
    expectTable({
        {{{"kind", "open_app"}, {"app", " Notes "}}, Request{Request::OpenApp{"Notes"}}},
        {{{"kind", "open_app"}}, std::nullopt},
        {{{"kind", "open_app"}, {"app", repeated(121)}}, std::nullopt},
        {{{"kind", "press_element"}, {"element", "3.14"}}, std::nullopt},
        {{{"kind", "type_text"}, {"text", "hello"}}, std::nullopt},
        {{{"kind", "key"}, {"key", "tab"}}, std::nullopt},
        {{{"kind", "scroll"}, {"direction", "down"}}, std::nullopt},
        {{{"kind", "open_app"}, {"app", "Notes"}, {"element", "1.1"}}, std::nullopt},
    });
}

TEST(OperatorStepRequest, PressElementTakesAnElementId) {
    auto press = [](Json element) { return Json{{"kind", "press_element"}, {"app", "Mail"}, {"element", std::move(element)}}; };
    expectTable({
        {press("3.14"), Request{Request::PressElement{"Mail", "3.14"}}},
        {press("g2:a_b-C.9"), Request{Request::PressElement{"Mail", "g2:a_b-C.9"}}},
        {press(repeated(64)), Request{Request::PressElement{"Mail", repeated(64)}}},
        {press(repeated(65)), std::nullopt},
        {press(""), std::nullopt},
        {press("3 14"), std::nullopt},
        {press("3/14"), std::nullopt},
        {press(314), std::nullopt},
        {{{"kind", "press_element"}, {"app", "Mail"}}, std::nullopt},
    });
}

TEST(OperatorStepRequest, TypeTextKeepsItsTextAsSent) {
    auto type = [](Json text) { return Json{{"kind", "type_text"}, {"app", "Notes"}, {"text", std::move(text)}}; };
    Json withElement = type("hi");
    withElement["element"] = "4.2";
    Json badElement = type("hi");
    badElement["element"] = "4 2";
    Json nullElement = type("hi");
    nullElement["element"] = nullptr;
    expectTable({
        {type("  hello\n"), Request{Request::TypeText{"Notes", std::nullopt, "  hello\n"}}},
        {withElement, Request{Request::TypeText{"Notes", "4.2", "hi"}}},
        {type(repeated(2000)), Request{Request::TypeText{"Notes", std::nullopt, repeated(2000)}}},
        {type(repeated(1998) + grin), Request{Request::TypeText{"Notes", std::nullopt, repeated(1998) + grin}}},
        {type(repeated(2001)), std::nullopt},
        {type(repeated(1999) + grin), std::nullopt},
        {type(""), std::nullopt},
        {type(42), std::nullopt},
        {badElement, std::nullopt},
        {nullElement, std::nullopt},
        {{{"kind", "type_text"}, {"app", "Notes"}}, std::nullopt},
    });
}

TEST(OperatorStepRequest, KeyTakesAKeyNameAndUpToFourModifiers) {
    auto key = [](Json name) { return Json{{"kind", "key"}, {"app", "Finder"}, {"key", std::move(name)}}; };
    auto withModifiers = [&](Json modifiers) {
        Json step = key("c");
        step["modifiers"] = std::move(modifiers);
        return step;
    };
    using Modifiers = std::vector<std::string>;
    expectTable({
        {key("a"), Request{Request::Key{"Finder", "a", {}}}},
        {key("7"), Request{Request::Key{"Finder", "7", {}}}},
        {key("page_down"), Request{Request::Key{"Finder", "page_down", {}}}},
        {key("A"), std::nullopt},
        {key("ab"), std::nullopt},
        {key("."), std::nullopt},
        {key("\xC3\xA9"), std::nullopt},
        {key("Return"), std::nullopt},
        {key(""), std::nullopt},
        {key(1), std::nullopt},
        {withModifiers(Json::array({"command", "command", "shift"})),
         Request{Request::Key{"Finder", "c", Modifiers{"command", "shift"}}}},
        {withModifiers(Json::array({"shift", "option", "control", "command"})),
         Request{Request::Key{"Finder", "c", Modifiers{"shift", "option", "control", "command"}}}},
        {withModifiers(Json::array()), Request{Request::Key{"Finder", "c", {}}}},
        {withModifiers(Json::array({"command", "command", "command", "command", "command"})), std::nullopt},
        {withModifiers(Json::array({"cmd"})), std::nullopt},
        {withModifiers(Json::array({"Command"})), std::nullopt},
        {withModifiers(Json::array({1})), std::nullopt},
        {withModifiers("command"), std::nullopt},
        {withModifiers(nullptr), std::nullopt},
        {{{"kind", "key"}, {"app", "Finder"}}, std::nullopt},
    });
}

TEST(OperatorStepRequest, ScrollTakesADirectionAndAnAmount) {
    auto scroll = [](Json direction) { return Json{{"kind", "scroll"}, {"app", "Safari"}, {"direction", std::move(direction)}}; };
    auto amount = [&](Json value) {
        Json step = scroll("down");
        step["amount"] = std::move(value);
        return step;
    };
    expectTable({
        {scroll("down"), Request{Request::Scroll{"Safari", "down", 1}}},
        {scroll("left"), Request{Request::Scroll{"Safari", "left", 1}}},
        {amount(10), Request{Request::Scroll{"Safari", "down", 10}}},
        {amount(2.0), Request{Request::Scroll{"Safari", "down", 2}}},
        {amount(2.5), std::nullopt},
        {amount(11), std::nullopt},
        {amount(0), std::nullopt},
        {amount("3"), std::nullopt},
        {amount(false), std::nullopt},
        {scroll("DOWN"), std::nullopt},
        {scroll("sideways"), std::nullopt},
        {scroll(1), std::nullopt},
        {{{"kind", "scroll"}, {"app", "Safari"}}, std::nullopt},
    });
}

TEST(OperatorStepRequest, KnowsItsKindClassAndActApp) {
    struct Expected {
        Request request;
        std::string kind;
        MacCapabilityClass klass;
        std::optional<std::string> actApp;
    };
    for (const auto& e : std::vector<Expected>{
             {Request{Request::Look{"Safari"}}, "look", MacCapabilityClass::screen, std::nullopt},
             {Request{Request::ReadScreenText{}}, "read_screen_text", MacCapabilityClass::screen, std::nullopt},
             {Request{Request::ListApps{}}, "list_apps", MacCapabilityClass::screen, std::nullopt},
             {Request{Request::ListFiles{"q", 10, std::nullopt}}, "list_files", MacCapabilityClass::files, std::nullopt},
             {Request{Request::ReadFile{"f_abcdefgh"}}, "read_file", MacCapabilityClass::files, std::nullopt},
             {Request{Request::SendFile{"f_abcdefgh"}}, "send_file", MacCapabilityClass::files, std::nullopt},
             {Request{Request::OpenApp{"Notes"}}, "open_app", MacCapabilityClass::act, "Notes"},
             {Request{Request::PressElement{"Mail", "1.2"}}, "press_element", MacCapabilityClass::act, "Mail"},
             {Request{Request::TypeText{"Notes", std::nullopt, "x"}}, "type_text", MacCapabilityClass::act, "Notes"},
             {Request{Request::Key{"Finder", "a", {}}}, "key", MacCapabilityClass::act, "Finder"},
             {Request{Request::Scroll{"Safari", "up", 1}}, "scroll", MacCapabilityClass::act, "Safari"},
         }) {
        EXPECT_EQ(e.request.kind(), e.kind);
        EXPECT_EQ(e.request.klass(), e.klass) << e.kind;
        EXPECT_EQ(e.request.actApp(), e.actApp) << e.kind;
    }
}
