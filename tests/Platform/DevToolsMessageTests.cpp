#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Platform/DevToolsMessage.h"

namespace tarvo {
namespace {

TEST(DevToolsMessage, ReadsRepliesAndEventsAndRefusesWhatIsNoObject) {
    struct Case {
        std::string text;
        bool read;
        std::optional<std::int64_t> replyTo;
        std::optional<std::string> refusal;
        std::string body;
    };
    const Case cases[] = {
        {R"({"id":3,"result":{"value":1}})", true, 3, std::nullopt, R"({"value":1})"},
        {R"({"id":3})", true, 3, std::nullopt, "{}"},
        {R"({"id":3,"error":{"code":-32000,"message":"No target"}})", true, 3, "No target", "{}"},
        {R"({"id":3,"error":{"message":7}})", true, 3, "no reason given", "{}"},
        {R"({"id":3,"error":"gone"})", true, 3, R"("gone")", "{}"},
        {R"({"id":"3","method":"Page.loadEventFired"})", true, std::nullopt, std::nullopt,
         R"({"id":"3","method":"Page.loadEventFired"})"},
        {R"({"method":"Target.detachedFromTarget","params":{}})", true, std::nullopt, std::nullopt,
         R"({"method":"Target.detachedFromTarget","params":{}})"},
        {R"([1,2])", false, std::nullopt, std::nullopt, ""},
        {R"({"id":3,"result":)" + std::string(300, '[') + std::string(300, ']') + "}", false, std::nullopt,
         std::nullopt, ""},
        {"{\"id\":3,\"result\":\"\xFF\"}", false, std::nullopt, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto message = DevToolsMessage::read(c.text);
        ASSERT_EQ(message.has_value(), c.read);
        if (!message) continue;
        EXPECT_EQ(message->replyTo, c.replyTo);
        EXPECT_EQ(message->refusal, c.refusal);
        EXPECT_EQ(message->body.dump(), c.body);
    }
}

} // namespace
} // namespace tarvo
