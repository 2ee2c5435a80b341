#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Platform/CurlHttpTransport.h"
#include "Support/RawHttpCapture.h"

using tarvo::CurlHttpTransport;
using tarvo::HttpTransport;
using tarvo::testing::RawHttpCapture;

namespace {

bool hasLineStarting(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.size() >= start.size() && strncasecmp(line.c_str(), start.c_str(), start.size()) == 0;
    });
}

} // namespace

TEST(CurlHttpTransport, SendsTheBodyAsGivenWithNoHeadersOfItsOwnChoosing) {
    struct Case {
        std::string method;
        std::optional<std::string> body;
        std::string requestLine;
    };
    const Case cases[] = {
        {"POST", std::string(3 * 1024 * 1024, 'x'), "POST /upload HTTP/1.1"},
        {"PUT", std::string("{}"), "PUT /upload HTTP/1.1"},
        {"POST", std::nullopt, "POST /upload HTTP/1.1"},
        {"GET", std::nullopt, "GET /upload HTTP/1.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requestLine);
        RawHttpCapture raw;
        auto response = CurlHttpTransport().perform({c.method, raw.baseURL() + "/upload", {{"x-a", "1"}}, c.body});
        EXPECT_EQ(response, (HttpTransport::Response{200, "{}"}));
        auto captured = raw.captured();
        ASSERT_EQ(captured.size(), 1u);
        EXPECT_EQ(captured[0].lines.front(), c.requestLine);
        EXPECT_EQ(captured[0].body, c.body.value_or(""));
        EXPECT_TRUE(hasLineStarting(captured[0].lines, "x-a: 1"));
        EXPECT_FALSE(hasLineStarting(captured[0].lines, "content-type"));
        EXPECT_FALSE(hasLineStarting(captured[0].lines, "expect"));
    }
}

TEST(CurlHttpTransport, RefusesAHeaderThatWouldSplitTheRequest) {
    RawHttpCapture raw;
    HttpTransport::Request request{"GET", raw.baseURL() + "/x", {{"authorization", "Bearer a\r\nx-evil: 1"}}, {}};
    EXPECT_THROW(CurlHttpTransport().perform(request), HttpTransport::Failure);
    EXPECT_TRUE(raw.captured().empty());
}
