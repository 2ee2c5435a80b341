#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "TarvoCore/WhatsApp/CaptureScript.h"
#include "TarvoCore/WhatsApp/PageScripts.h"

using tarvo::WhatsAppWeb::captureScript;
using tarvo::WhatsAppWeb::mediaBudgetBytes;

namespace {

std::string scriptWith(const std::vector<std::string>& known, const std::map<std::string, std::vector<std::string>>& watching = {}) {
    return captureScript(6, 40, 3, known, true, 7, mediaBudgetBytes, {"k1"}, {"k2", "k3"}, 5, 20, watching);
}

} // namespace

TEST(WhatsAppCaptureScript, EveryArgumentStandsInItsPlaceAndNoPlaceholderIsLeft) {
    const auto script = scriptWith({"a|b", "c|\"d\""}, {{"k2", {"m1", "m2"}}});
    EXPECT_EQ(script.find("__ARG_"), std::string::npos);
    for (const char* spliced : {"const knownList = [\"a|b\",\"c|\\\"d\\\"\"];", "const spentList = [\"k1\"];",
                                "!true;", "rows.length - 40)", "{ left: 12582912 }", "const cursor = 7;",
                                "[\"k2\",\"k3\"], 5, 20, out, state,\n    {\"k2\":[\"m1\",\"m2\"]});",
                                "firstLook ? 3 : 6;", "attempt < 6;"}) {
        EXPECT_NE(script.find(spliced), std::string::npos) << spliced;
    }
    EXPECT_TRUE(script.starts_with(tarvo::pageScript("capture-names.js")));
}

TEST(WhatsAppCaptureScript, APrintThatIsNotTextIsLeftOutAloneAndNoValueIsReadForPlaceholders) {
    const auto script = scriptWith({"a|b", "bad|\xff", "__ARG_cursor__|x"}, {{"k\xfe", {"m1"}}, {"k2", {"m\xff", "m2"}}});
    EXPECT_NE(script.find("const knownList = [\"a|b\",\"__ARG_cursor__|x\"];"), std::string::npos);
    EXPECT_NE(script.find("{\"k2\":[\"m2\"]}"), std::string::npos);
}
