#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Support/TemporaryFolder.h"
#include "TarvoBase/Json.h"
#include "TarvoSafari/HandlerProcess.h"

using tarvo::Json;
using tarvo::testing::HandlerProcess;

namespace {

const std::string hello = R"({"kind":"tarvo.safari.hello"})";
const std::string refused = R"({"ok":false,"error":"unknown_kind"})";

// The handler copied into a folder of its own, beside the bundle information given (none when
// `bundleInfo` is empty), since it reads the file beside its own executable.
class HandlerCopy {
public:
    explicit HandlerCopy(const std::optional<std::string>& bundleInfo) {
        std::filesystem::copy_file(TARVO_SAFARI_EXECUTABLE, executable());
        if (bundleInfo) std::ofstream(folder_ / "bundle-info.json") << *bundleInfo;
    }
    std::filesystem::path executable() const { return folder_ / "tarvo-safari"; }

private:
    tarvo::testing::TemporaryFolder folder_;
};

// Sends every message, closes the input and takes every reply.
std::vector<std::string> repliesTo(const std::filesystem::path& executable, const std::vector<std::string>& messages) {
    HandlerProcess handler(executable);
    for (const std::string& message : messages) EXPECT_TRUE(handler.write(HandlerProcess::frame(message)));
    handler.closeInput();
    std::vector<std::string> replies;
    while (auto reply = handler.nextFrame()) replies.push_back(*reply);
    EXPECT_EQ(handler.exitStatus(), 0);
    EXPECT_EQ(handler.unreadOutput(), "") << "standard output carries frames only";
    return replies;
}

} // namespace

TEST(TarvoSafariHandler, AnswersTheHelloWithThisBuildsVersionAndBuild) {
    HandlerProcess handler(TARVO_SAFARI_EXECUTABLE);
    ASSERT_TRUE(handler.write(HandlerProcess::frame(hello)));
    const auto reply = handler.nextFrame();
    ASSERT_TRUE(reply) << "the reply comes while the input is still open";
    EXPECT_EQ(Json::parse(*reply), Json::parse(R"({"ok": true, "version": ")" TARVO_VERSION R"(", "build": ")" +
                                               std::to_string(TARVO_BUILD) + "\"}"));
    handler.closeInput();
    EXPECT_EQ(handler.nextFrame(), std::nullopt);
    EXPECT_EQ(handler.exitStatus(), 0);
    EXPECT_EQ(handler.standardError(), "tarvo: native: native.hello\n");
}

TEST(TarvoSafariHandler, RefusesEveryOtherMessageOneReplyEachInOrder) {
    struct Case {
        std::string message;
        bool hello;
    };
    const std::vector<Case> cases{
        {R"({"kind":"Tarvo.safari.hello"})", false},
        {R"({"kind":"tarvo.safari.hello "})", false},
        {R"({"kind":42})", false},
        {R"({"kind":null})", false},
        {R"({"type":"tarvo.safari.hello"})", false},
        {R"({"kind":"tarvo.safari.hello","extra":{"deep":[1,2]},"more":true})", true},
        {R"(["kind","tarvo.safari.hello"])", false},
        {R"("tarvo.safari.hello")", false},
        {"not json at all", false},
        {"", false},
        {"{\"kind\":\"tarvo.safari.hello\",\"x\":\"\xFF\"}", false},
        {hello, true},
    };
    std::vector<std::string> messages;
    for (const Case& c : cases) messages.push_back(c.message);
    const std::vector<std::string> replies = repliesTo(TARVO_SAFARI_EXECUTABLE, messages);
    ASSERT_EQ(replies.size(), cases.size());
    for (std::size_t index = 0; index < cases.size(); ++index) {
        EXPECT_EQ(Json::parse(replies[index]).at("ok"), cases[index].hello) << cases[index].message;
        if (!cases[index].hello) {
            EXPECT_EQ(replies[index], refused) << cases[index].message;
        }
    }
}

TEST(TarvoSafariHandler, TakesVersionAndBuildOnlyWhenTheyAreStrings) {
    struct Case {
        std::optional<std::string> bundleInfo;
        std::string version;
        std::string build;
    };
    for (const Case& c : std::initializer_list<Case>{
             {R"({"CFBundleShortVersionString": "2.3.4"})", "2.3.4", ""},
             {R"({"CFBundleShortVersionString": 2, "CFBundleVersion": "77"})", "", "77"},
             {"not json", "", ""},
             {std::nullopt, "", ""},
         }) {
        const HandlerCopy handler(c.bundleInfo);
        const std::vector<std::string> replies = repliesTo(handler.executable(), {hello});
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(Json::parse(replies[0]), (Json{{"ok", true}, {"version", c.version}, {"build", c.build}}))
            << c.bundleInfo.value_or("(no file)");
    }
}

TEST(TarvoSafariHandler, ALengthPastWhatABrowserSendsIsRefusedOnceAndEndsTheHandler) {
    HandlerProcess handler(TARVO_SAFARI_EXECUTABLE);
    ASSERT_TRUE(handler.write(HandlerProcess::header(64u * 1024u * 1024u + 1u) + "{\"kind\":"));
    EXPECT_EQ(handler.nextFrame(), refused);
    EXPECT_EQ(handler.exitStatus(), 0) << "it ends by itself, with its input still open";
    EXPECT_EQ(handler.unreadOutput(), "");
    EXPECT_EQ(handler.standardError(), "tarvo: native: native.unknown_kind\n");
}

TEST(TarvoSafariHandler, InputEndingInsideAFrameEndsItWithoutAReply) {
    for (const std::string& cut : {HandlerProcess::frame(hello).substr(0, 2),
                                   HandlerProcess::frame(hello).substr(0, 10)}) {
        HandlerProcess handler(TARVO_SAFARI_EXECUTABLE);
        ASSERT_TRUE(handler.write(HandlerProcess::frame(hello) + cut));
        handler.closeInput();
        EXPECT_TRUE(handler.nextFrame()) << "the whole frame before it is answered";
        EXPECT_EQ(handler.nextFrame(), std::nullopt);
        EXPECT_EQ(handler.exitStatus(), 0);
        EXPECT_EQ(handler.unreadOutput(), "");
    }
}
